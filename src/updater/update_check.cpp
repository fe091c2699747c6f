#include "updater/update_check.hpp"

#include <QDateTime>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include "bridge/app_version.hpp"
#include "store/log.hpp"
#include "updater/feed_location.hpp"
#include "updater/http_client.hpp"
#include "updater/install.hpp"
#include "updater/time_limits.hpp"
#include "updater/update_rules.hpp"
#include "updater/update_texts.hpp"
#include "updater/user_effects.hpp"

namespace Updater {

bool autoInstall = false;
std::function<void(const std::optional<std::string>&, Date)> onFeed = [](const std::optional<std::string>&,
                                                                         Date) {};

namespace {

bool autoInFlight = false;

// A feed is a few hundred bytes; a server that sends more is not serving one.
constexpr qint64 maxFeedBytes = 1024 * 1024;

std::string utf8(const QString& s) {
  return s.toStdString();
}

void failCheck(bool manual, int code, const std::optional<QString>& error) {
  log("update check failed code=" + std::to_string(code) + " err=" + (error ? utf8(*error) : "-"));
  if (manual) info(UpdateTexts::checkFailed());
}

void handleReply(QNetworkReply& reply, bool manual) {
  const int code = statusCode(reply);
  // Cleared before anything else, so that no outcome can leave the guard set.
  if (!manual) autoInFlight = false;

  const auto error = transportError(reply);
  if (error || code != 200) {
    failCheck(manual, code, error);
    return;
  }
  const QByteArray bytes = reply.readAll();
  const std::string_view body(bytes.constData(), std::size_t(bytes.size()));

  if (isFeedObject(body)) onFeed(supportValue(body), double(QDateTime::currentMSecsSinceEpoch()) / 1000);

  const auto decoded = decodeFeed(body);
  if (!decoded || !decoded->entry) {
    failCheck(manual, 200, std::nullopt);
    return;
  }
  const Entry& entry = *decoded->entry;
  log("update check remote=" + entry.version + " local=" + std::string(appVersion()));
  if (newer(entry.version, appVersion()) && !entry.url.empty()) {
    offer(entry);
  } else if (manual) {
    info(UpdateTexts::upToDate(appVersion()));
  }
}

}  // namespace

void check(bool manual) {
  if (!manual) {
    if (autoInFlight) {
      log("update check skipped: another auto check is running");
      return;
    }
    autoInFlight = true;
  }
  QNetworkRequest request(feed());
  request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
  request.setHeader(QNetworkRequest::UserAgentHeader,
                    QString::fromUtf8("Quotalume/") +
                        QString::fromUtf8(appVersion().data(), qsizetype(appVersion().size())));
  QNetworkReply* reply = httpClient().get(request);
  // Qt's transfer timeout restarts with every byte; a trickling server would
  // hold the check, and the automatic guard, open for ever.
  QTimer::singleShot(timeLimits().feedExchange, reply, [reply] { reply->abort(); });
  QObject::connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
    if (received > maxFeedBytes) reply->abort();
  });
  // The handler may open a modal alert; the reply is released once it returns.
  QObject::connect(reply, &QNetworkReply::finished, reply, [reply, manual] {
    reply->deleteLater();
    handleReply(*reply, manual);
  });
}

void offer(const Entry& entry) {
  const auto url = parsedURL(entry.url);
  if (autoInstall && url) {
    install(entry, *url);
    return;
  }
  const bool accepted =
      userEffects().offer(UpdateTexts::offerTitle(entry.version), UpdateTexts::offerDetail(entry.notes));
  if (accepted && url) install(entry, *url);
}

void info(const std::string& message) {
  userEffects().info(message);
}

}  // namespace Updater
