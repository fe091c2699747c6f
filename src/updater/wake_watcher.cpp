#include "updater/wake_watcher.hpp"

#include "store/log.hpp"

namespace Updater {

WakeWatcher::WakeWatcher(QObject* parent) : WakeWatcher(QDBusConnection::systemBus(), parent) {}

WakeWatcher::WakeWatcher(const QDBusConnection& bus, QObject* parent) : QObject(parent) {
  QDBusConnection connection(bus);
  // Naming the service makes the bus library drop the signal from any sender
  // that does not own logind's name, so no other program can fake a wake.
  listening_ =
      connection.isConnected() && connection.connect("org.freedesktop.login1", "/org/freedesktop/login1",
                                                     "org.freedesktop.login1.Manager", "PrepareForSleep",
                                                     this, SLOT(prepareForSleep(bool)));
  if (!listening_) log("wake: no system bus, update checks after sleep are off");
}

void WakeWatcher::prepareForSleep(bool sleeping) {
  if (!sleeping) emit woke();
}

}  // namespace Updater
