#include "updater/feed_location.hpp"

#include <QSettings>
#include <QVariant>

#include "links/site_links.hpp"
#include "updater/settings_file.hpp"

namespace Updater {

std::optional<QUrl> parsedURL(std::string_view text) {
  if (text.empty()) return std::nullopt;
  QUrl url(QString::fromUtf8(text.data(), qsizetype(text.size())), QUrl::StrictMode);
  if (!url.isValid()) return std::nullopt;
  return url;
}

QUrl feed() {
  const QSettings settings(userSettingsFile(), QSettings::IniFormat);
  const QVariant value = settings.value("updateFeed");
  if (value.typeId() == QMetaType::QString) {
    const QByteArray text = value.toString().toUtf8();
    if (auto url = parsedURL(std::string_view(text.constData(), std::size_t(text.size())))) return *url;
  }
  return QUrl(QString::fromStdString(Links::page() + "/version.json"));
}

}  // namespace Updater
