#include "updater/feed_location.hpp"

#include <QHostAddress>

#include "links/site_links.hpp"
#include "store/settings_file.hpp"

namespace Updater {

std::optional<QUrl> parsedURL(std::string_view text) {
  if (text.empty()) return std::nullopt;
  QUrl url(QString::fromUtf8(text.data(), qsizetype(text.size())), QUrl::StrictMode);
  if (!url.isValid()) return std::nullopt;
  return url;
}

QUrl feed() {
  if (const auto text = Settings::read(Settings::userFile(), "updateFeed"))
    if (auto url = parsedURL(*text)) return *url;
  return QUrl(QString::fromStdString(Links::page() + "/version.json"));
}

bool archiveAddressAllowed(const QUrl& archive, const QUrl& feed) {
  if (archive.scheme() == QLatin1String("https")) return true;
  if (archive.scheme() != QLatin1String("http") || feed.scheme() != QLatin1String("http")) return false;
  return feed.host() == QLatin1String("localhost") || QHostAddress(feed.host()).isLoopback();
}

}  // namespace Updater
