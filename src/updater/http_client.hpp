#pragma once
// The one HTTP client of the process, shared by the feed check and the download.

#include <optional>

#include <QString>

class QNetworkAccessManager;
class QNetworkReply;

namespace Updater {

// Created on first use, on the main thread, and kept for the process.
QNetworkAccessManager& httpClient();

// The reply's HTTP status, 0 when no HTTP response arrived.
int statusCode(const QNetworkReply& reply);

// Qt's description of a transport failure. A reply that carries an HTTP
// status is not one: Qt turns statuses of 400 and above into errors too,
// but those are answers, told by their code.
std::optional<QString> transportError(const QNetworkReply& reply);

}  // namespace Updater
