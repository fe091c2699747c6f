#include "updater/feed_location.hpp"

#include <QHostAddress>
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
  const QString file = userSettingsFile();
  QVariant value;
  if (settingsReadable(file)) value = QSettings(file, QSettings::IniFormat).value("updateFeed");
  // An unquoted value with a comma in it (a query such as "?a=1,2") reads
  // back as a list of its pieces.
  QString address;
  if (value.typeId() == QMetaType::QString) address = value.toString();
  if (value.typeId() == QMetaType::QStringList) address = value.toStringList().join(QLatin1Char(','));
  const QByteArray text = address.toUtf8();
  if (auto url = parsedURL(std::string_view(text.constData(), std::size_t(text.size())))) return *url;
  return QUrl(QString::fromStdString(Links::page() + "/version.json"));
}

bool archiveAddressAllowed(const QUrl& archive, const QUrl& feed) {
  if (archive.scheme() == QLatin1String("https")) return true;
  if (archive.scheme() != QLatin1String("http") || feed.scheme() != QLatin1String("http")) return false;
  return feed.host() == QLatin1String("localhost") || QHostAddress(feed.host()).isLoopback();
}

}  // namespace Updater
