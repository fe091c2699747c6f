// What a caller on the session bus may hand the running copy, and whom a
// second start hands its launcher's token to.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>

#include <QProcess>
#include <QTemporaryDir>

#include "build_config.hpp"
#include "controller/app_activation.hpp"
#include "controller/launch_token.hpp"
#include "controller/single_instance.hpp"
#include "support/event_wait.hpp"
#include "support/private_bus.hpp"

namespace {

TEST(LaunchToken, OnlyAShortPrintableStringIsAToken) {
  const QString longest(maxLaunchTokenBytes, u'a');
  // The platform data, and the token taken from it.
  const std::pair<QVariantMap, std::optional<QByteArray>> cases[] = {
      {{{"activation-token", "sway-3f2a_TIME123"}}, "sway-3f2a_TIME123"},
      {{{"activation-token", longest}}, longest.toLatin1()},
      {{{"desktop-startup-id", "xfce4-panel/q/1-2-host_TIME9"}}, "xfce4-panel/q/1-2-host_TIME9"},
      {{{"activation-token", longest + "a"}}, std::nullopt},
      {{{"activation-token", "two words"}}, std::nullopt},
      {{{"activation-token", "line\nbreak"}}, std::nullopt},
      {{{"activation-token", "t\u00f6ken"}}, std::nullopt},
      {{{"activation-token", QByteArray("bytes")}}, std::nullopt},
      {{{"activation-token", 42}}, std::nullopt},
      {{}, std::nullopt},
  };
  for (const auto& [data, want] : cases)
    EXPECT_EQ(launchTokenFrom(data), want) << data.firstKey().toStdString();
}

// Any program on the bus may call Activate. Whatever it sends stays with the
// one activation: nothing reaches the environment, so a huge token cannot
// make every later child launch fail (execve refuses a variable over 128 KiB).
TEST(AppActivation, ATokenGoesToTheActivationAloneNeverTheEnvironment) {
  qunsetenv("XDG_ACTIVATION_TOKEN");
  AppActivation activation;
  std::vector<std::optional<QByteArray>> got;
  QObject::connect(&activation, &AppActivation::activated,
                   [&](const std::optional<QByteArray>& token) { got.push_back(token); });
  activation.Activate({{"activation-token", "kwin-7"}});
  activation.Activate({{"activation-token", QString(200 * 1024, u'x')}});
  EXPECT_EQ(got, (std::vector<std::optional<QByteArray>>{"kwin-7", std::nullopt}));
  EXPECT_TRUE(qEnvironmentVariableIsEmpty("XDG_ACTIVATION_TOKEN"));
  EXPECT_EQ(QProcess::execute("true"), 0) << "a child still starts";
}

// A program that owns the app's name before the running copy does gets
// neither the call nor the token, and the second start knows at once.
TEST(AppActivation, AnImpostorOwningTheNameIsNotCalled) {
  PrivateBus bus;
  QTemporaryDir dir;
  InstanceLock running(dir.filePath("q.lock").toStdString());
  ASSERT_TRUE(running.acquire());
  EXPECT_EQ(running.holder(), long(getpid()));
  // It owns the name, answers Activate, and says what it was sent.
  QProcess impostor;
  impostor.setProcessEnvironment([&] {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DBUS_SESSION_BUS_ADDRESS", bus.address);
    return env;
  }());
  const QString id = QString::fromUtf8(appId.data(), qsizetype(appId.size()));
  // The system Python, which python3-gi is for.
  impostor.start("/usr/bin/python3", QStringList{"-c", QStringLiteral(R"(
import sys
from gi.repository import Gio, GLib
bus = Gio.bus_get_sync(Gio.BusType.SESSION)
node = Gio.DBusNodeInfo.new_for_xml('<node><interface name="org.freedesktop.Application"><method name="Activate">'
    '<arg type="a{sv}" direction="in"/></method></interface></node>')
def call(conn, sender, path, iface, method, args, invocation):
    print('called', args, flush=True)
    invocation.return_value(None)
bus.register_object('/%1', node.interfaces[0], call)
bus.call_sync('org.freedesktop.DBus', '/org/freedesktop/DBus', 'org.freedesktop.DBus', 'RequestName',
              GLib.Variant('(su)', ('%2', 4)), None, 0, -1)
print('owned', flush=True)
GLib.MainLoop().run()
)")
                                                           .arg(QString(id).replace('.', '/'), id)});
  ASSERT_TRUE(impostor.waitForReadyRead(10000));
  ASSERT_EQ(impostor.readLine().trimmed(), "owned");
  qputenv("XDG_ACTIVATION_TOKEN", "launcher-token");
  const QDBusConnection second = QDBusConnection::connectToBus(bus.address, "second");
  const auto started = std::chrono::steady_clock::now();
  const auto why = activateRunningCopy(second, running.holder());
  qunsetenv("XDG_ACTIVATION_TOKEN");
  ASSERT_TRUE(why.has_value());
  EXPECT_NE(why->find("is owned by another program"), std::string::npos) << *why;
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1)) << "it can tell at once";
  EXPECT_FALSE(reachRunningCopy(second, running.holder()));
  settle(200);
  EXPECT_EQ(impostor.readAll().trimmed(), "") << "the impostor was called";
  impostor.kill();
  impostor.waitForFinished();
}

}  // namespace
