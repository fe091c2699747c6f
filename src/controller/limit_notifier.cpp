#include "controller/limit_notifier.hpp"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QImage>
#include <QVariantMap>

#include "views/app_icon.hpp"

namespace {

const QString service = "org.freedesktop.Notifications";
const QString objectPath = "/org/freedesktop/Notifications";

enum Urgency : uchar { normalUrgency = 1, criticalUrgency = 2 };

// The icon travels with the notice, since no icon theme is guaranteed to
// hold ours.
QVariant iconData() {
  static const QImage image = renderAppIcon(64).convertToFormat(QImage::Format_RGBA8888);
  QDBusArgument data;
  data.beginStructure();
  data << image.width() << image.height() << int(image.bytesPerLine()) << true << 8 << 4
       << QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes());
  data.endStructure();
  return QVariant::fromValue(data);
}

QString qs(const std::string& s) {
  return QString::fromStdString(s);
}

}  // namespace

LimitNotifier::LimitNotifier(QDBusConnection bus, LogLine logLine, QObject* parent)
    : QObject(parent), bus_(std::move(bus)), logLine_(std::move(logLine)) {}

void LimitNotifier::send(const LimitNotice& notice, EpochSeconds now) {
  if (!bus_.isConnected()) return serviceMissing("no session bus");
  const NoticeText text = noticeText(notice, now);
  const Outgoing outgoing{qs(text.title), qs(text.body),
                          notice.kind == AlertKind::reached ? criticalUrgency : normalUrgency};
  WindowNotices& window = windows_[notice.window.key];
  // Sent now, it could not name the notice it replaces; the newest waits instead.
  if (window.inFlight) {
    window.waiting = outgoing;
    return;
  }
  dispatch(notice.window.key, outgoing);
}

void LimitNotifier::dispatch(const std::string& key, const Outgoing& outgoing) {
  WindowNotices& window = windows_[key];
  window.inFlight = true;
  QVariantMap hints{{"urgency", QVariant::fromValue(outgoing.urgency)}, {"image-data", iconData()}};
  QDBusMessage call = QDBusMessage::createMethodCall(service, objectPath, service, "Notify");
  call << QString("Quotalume") << window.id << QString("quotalume") << outgoing.title << outgoing.body
       << QStringList() << hints << int(-1);
  auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, key](QDBusPendingCallWatcher* w) {
    const QDBusPendingReply<uint> reply = *w;
    w->deleteLater();
    WindowNotices& window = windows_[key];
    window.inFlight = false;
    if (reply.isError()) {
      window.waiting.reset();
      return serviceMissing(reply.error().message());
    }
    window.id = reply.value();
    if (window.waiting) {
      const Outgoing next = *window.waiting;
      window.waiting.reset();
      dispatch(key, next);
    }
  });
}

void LimitNotifier::serviceMissing(const QString& why) {
  if (reportedMissing_) return;
  reportedMissing_ = true;
  logLine_("no notification service, limit notices are off: " + why.left(120).toStdString());
}
