#include "updater/update_check.hpp"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include "base/app_version.hpp"
#include "store/log.hpp"
#include "updater/feed_location.hpp"
#include "updater/http_client.hpp"
#include "updater/install.hpp"
#include "updater/time_limits.hpp"
#include "updater/update_rules.hpp"
#include "updater/update_texts.hpp"

namespace Updater {

namespace {

// A feed is a few hundred bytes; a server that sends more is not serving one.
constexpr qint64 maxFeedBytes = 1024 * 1024;

std::string utf8(const QString& s) {
  return s.toStdString();
}

}  // namespace

Updates::Updates(UpdaterServices services)
    : services_(std::make_shared<UpdaterServices>(std::move(services))) {}

namespace {

void failCheck(const UpdaterServices& services, bool manual, int code, const std::optional<QString>& error) {
  log("update check failed code=" + std::to_string(code) + " err=" + (error ? utf8(*error) : "-"));
  if (manual) services.effects.info(UpdateTexts::checkFailed());
}

void handleReply(QNetworkReply& reply, bool manual, Updates& updates) {
  const UpdaterServices& services = updates.services();
  const int code = statusCode(reply);

  const auto error = transportError(reply);
  if (error || code != 200) {
    failCheck(services, manual, code, error);
    return;
  }
  const QByteArray bytes = reply.readAll();
  const std::string_view body(bytes.constData(), std::size_t(bytes.size()));

  if (isFeedObject(body) && services.onFeed) services.onFeed(supportValue(body), services.now());

  const auto decoded = decodeFeed(body);
  if (!decoded || !decoded->entry) {
    failCheck(services, manual, 200, std::nullopt);
    return;
  }
  const Entry& entry = *decoded->entry;
  log("update check remote=" + entry.version + " local=" + std::string(appVersion()));
  if (newer(entry.version, appVersion()) && !entry.url.empty()) {
    updates.offer(entry);
  } else if (manual) {
    services.effects.info(UpdateTexts::upToDate(appVersion()));
  }
}

}  // namespace

void Updates::check(bool manual) {
  if (!manual) {
    if (*autoInFlight_) {
      log("update check skipped: another auto check is running");
      return;
    }
    *autoInFlight_ = true;
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
  // The reply holds its own copy of this object's shared parts, so a check
  // still answers after its owner is gone.
  QObject::connect(reply, &QNetworkReply::finished, reply, [reply, manual, updates = *this]() mutable {
    reply->deleteLater();
    // Cleared before anything else, so that no outcome can leave the guard set.
    if (!manual) *updates.autoInFlight_ = false;
    handleReply(*reply, manual, updates);
  });
}

void Updates::offer(const Entry& entry) {
  const auto url = parsedURL(entry.url);
  if (services_->autoInstall && url) {
    install(entry, *url, services_);
    return;
  }
  const bool accepted =
      services_->effects.offer(UpdateTexts::offerTitle(entry.version), UpdateTexts::offerDetail(entry.notes));
  if (accepted && url) install(entry, *url, services_);
}

}  // namespace Updater
