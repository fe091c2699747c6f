#include "updater/support_switch.hpp"

#include <QString>
#include <QUrl>

#include "build_config.hpp"

namespace Links {

bool supportSwitchOn(const std::optional<std::string>& value) {
  if (!value) return false;
  const QString text = QString::fromUtf8(value->data(), qsizetype(value->size())).trimmed();
  if (text.isEmpty()) return false;
  const QUrl url(text, QUrl::StrictMode);
  if (!url.isValid()) return false;
  if (url.scheme().toLower() != QLatin1String("https")) return false;
  const QString host = url.host(QUrl::FullyEncoded).toLower();
  if (host.isEmpty() || host != QString::fromUtf8(Build::siteHost).toLower()) return false;
  if (!url.userName().isEmpty() || !url.password().isEmpty()) return false;
  const int port = url.port();
  return port == -1 || port == 443;
}

}  // namespace Links
