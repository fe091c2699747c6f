// Stands in for logind on a private bus. Usage: fake_logind ADDRESS own|stranger.
// Prints "ready" once connected (and, with "own", owning logind's name), then
// for each line "true" or "false" on standard input emits PrepareForSleep with
// that value and prints "sent" once the bus has it.
#include <cstdio>
#include <iostream>
#include <string>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 3) return 2;
  QDBusConnection bus = QDBusConnection::connectToBus(QString::fromLocal8Bit(argv[1]), "fake");
  if (!bus.isConnected()) return 3;
  if (std::string(argv[2]) == "own" && !bus.registerService("org.freedesktop.login1")) return 4;
  std::cout << "ready" << std::endl;
  std::string line;
  while (std::getline(std::cin, line)) {
    QDBusMessage signal = QDBusMessage::createSignal("/org/freedesktop/login1",
                                                     "org.freedesktop.login1.Manager", "PrepareForSleep");
    signal << (line == "true");
    if (!bus.send(signal)) return 5;
    // A round trip on the same connection: once it returns, the bus has the
    // signal that went out before it.
    bus.interface()->serviceOwner("org.freedesktop.DBus");
    std::cout << "sent" << std::endl;
  }
  return 0;
}
