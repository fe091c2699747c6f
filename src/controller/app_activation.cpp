#include "controller/app_activation.hpp"

#include <iostream>
#include <variant>

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QEventLoop>
#include <QTimer>

#include "build_config.hpp"
#include "controller/launch_token.hpp"
#include "store/log.hpp"

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
  emit activated(launchTokenFrom(platformData));
}

void AppActivation::Open(const QStringList&, const QVariantMap& platformData) {
  Activate(platformData);
}

void AppActivation::ActivateAction(const QString&, const QVariantList&, const QVariantMap&) {}

namespace {

// The pid behind a bus name, or why it has none.
std::variant<uint, QDBusError> ownerPid(const QDBusConnection& bus, const QString& name) {
  const QDBusReply<uint> pid = bus.interface()->servicePid(name);
  if (pid.isValid()) return pid.value();
  return pid.error();
}

bool noOwnerYet(const QDBusError& error) {
  return error.type() == QDBusError::ServiceUnknown ||
         error.name() == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner");
}

}  // namespace

std::optional<std::string> activateRunningCopy(const QDBusConnection& bus, std::optional<long> holderPid) {
  if (!bus.isConnected()) return "no session bus";
  QDBusError error;
  for (int attempt = 0; attempt < nameTries; ++attempt) {
    if (attempt > 0) waitOnEvents(nameRetryMs);
    // The call goes to the connection that owns the name now, and only when
    // that is the copy holding the lock: anybody may take the name first,
    // and the launcher's token is not theirs to have.
    const QDBusReply<QString> owner = bus.interface()->serviceOwner(serviceName());
    if (!owner.isValid()) {
      error = owner.error();
      if (noOwnerYet(error)) continue;
      break;
    }
    const auto pid = ownerPid(bus, owner.value());
    if (const auto* failed = std::get_if<QDBusError>(&pid)) return failed->message().toStdString();
    if (holderPid && long(std::get<uint>(pid)) != *holderPid)
      return serviceName().toStdString() + " is owned by another program (pid " +
             std::to_string(std::get<uint>(pid)) + "), not the running copy (pid " +
             std::to_string(*holderPid) + ")";
    QDBusMessage call = QDBusMessage::createMethodCall(owner.value(), objectPath(),
                                                       QStringLiteral("org.freedesktop.Application"),
                                                       QStringLiteral("Activate"));
    call << launchTokensOfThisStart();
    QDBusPendingCallWatcher watcher(bus.asyncCall(call, callTimeoutMs));
    QEventLoop loop;
    QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
    if (!watcher.isFinished()) loop.exec();
    if (!watcher.isError()) return std::nullopt;
    error = watcher.error();
    // The owner left between the two calls: ask again who owns the name.
    if (!noOwnerYet(error)) break;
  }
  return error.message().toStdString();
}

bool reachRunningCopy(const QDBusConnection& bus, std::optional<long> holderPid) {
  const auto why = activateRunningCopy(bus, holderPid);
  if (!why) return true;
  const std::string line = "the running copy could not be reached: " + *why;
  log(line);
  std::cerr << "quotalume: " << line << "\n";
  return false;
}
