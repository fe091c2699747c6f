#include "controller/app_activation.hpp"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QEventLoop>
#include <QTimer>

#include "build_config.hpp"

namespace {

constexpr int callTimeoutMs = 5000;
// The running copy takes the name at the end of its launch; a start that
// finds the lock held at that moment waits for it this long at most.
constexpr int nameTries = 15;
constexpr int nameRetryMs = 200;

QString serviceName() {
  return QString::fromUtf8(appId.data(), qsizetype(appId.size()));
}

// The object path a desktop derives from the id: dots become slashes.
QString objectPath() {
  return QLatin1Char('/') + serviceName().replace(QLatin1Char('.'), QLatin1Char('/'));
}

// The launcher's permission to raise a window travels with the call, so the
// running copy's window may come to the front instead of only flashing.
QVariantMap startupTokens() {
  QVariantMap data;
  if (const QString token = qEnvironmentVariable("XDG_ACTIVATION_TOKEN"); !token.isEmpty())
    data.insert(QStringLiteral("activation-token"), token);
  return data;
}

void waitOnEvents(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

}  // namespace

std::optional<std::string> AppActivation::publish(QDBusConnection bus) {
  if (!bus.isConnected()) return "no session bus";
  if (!bus.registerObject(objectPath(), this, QDBusConnection::ExportScriptableSlots))
    return "cannot export " + objectPath().toStdString();
  const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
      bus.interface()->registerService(serviceName(), QDBusConnectionInterface::DontQueueService,
                                       QDBusConnectionInterface::DontAllowReplacement);
  if (!reply.isValid()) return reply.error().message().toStdString();
  if (reply.value() != QDBusConnectionInterface::ServiceRegistered)
    return serviceName().toStdString() + " is owned by another program";
  published_ = bus;
  return std::nullopt;
}

AppActivation::~AppActivation() {
  if (published_) published_->unregisterService(serviceName());
}

void AppActivation::Activate(const QVariantMap& platformData) {
  // Qt's Wayland window hands this token to the compositor when it asks to
  // be activated.
  if (const QString token = platformData.value(QStringLiteral("activation-token")).toString();
      !token.isEmpty())
    qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
  emit activated();
}

void AppActivation::Open(const QStringList&, const QVariantMap& platformData) {
  Activate(platformData);
}

void AppActivation::ActivateAction(const QString&, const QVariantList&, const QVariantMap&) {}

std::optional<std::string> activateRunningCopy(const QDBusConnection& bus) {
  if (!bus.isConnected()) return "no session bus";
  QDBusMessage call = QDBusMessage::createMethodCall(
      serviceName(), objectPath(), QStringLiteral("org.freedesktop.Application"), QStringLiteral("Activate"));
  call << startupTokens();
  QDBusError error;
  for (int attempt = 0; attempt < nameTries; ++attempt) {
    if (attempt > 0) waitOnEvents(nameRetryMs);
    QDBusPendingCallWatcher watcher(bus.asyncCall(call, callTimeoutMs));
    QEventLoop loop;
    QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
    if (!watcher.isFinished()) loop.exec();
    if (!watcher.isError()) return std::nullopt;
    error = watcher.error();
    if (error.type() != QDBusError::ServiceUnknown &&
        error.name() != QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner"))
      break;
  }
  return error.message().toStdString();
}
