#include "updater/http_client.hpp"

#include <QNetworkAccessManager>
#include <QNetworkReply>

namespace Updater {

QNetworkAccessManager& httpClient() {
  // Deliberately never destroyed: replies may still finish while the
  // application object goes away, and the manager must outlive them.
  static auto* client = new QNetworkAccessManager();
  return *client;
}

int statusCode(const QNetworkReply& reply) {
  const QVariant code = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
  return code.isValid() ? code.toInt() : 0;
}

std::optional<QString> transportError(const QNetworkReply& reply) {
  const auto error = reply.error();
  if (error == QNetworkReply::NoError) return std::nullopt;
  const bool fromStatus =
      (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError) ||
      (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError) ||
      error == QNetworkReply::ProxyAuthenticationRequiredError;
  if (fromStatus && statusCode(reply) >= 400) return std::nullopt;
  return reply.errorString();
}

}  // namespace Updater
