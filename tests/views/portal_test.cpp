// The watcher against a private message bus with a stand-in desktop portal.
#include <functional>
#include <vector>

#include <gtest/gtest.h>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QDeadlineTimer>
#include <QProcess>

#include "views/appearance.hpp"
#include "views/panel_colours.hpp"

namespace {

const QString service = "org.freedesktop.portal.Desktop";
const QString path = "/org/freedesktop/portal/desktop";
const QString settings = "org.freedesktop.portal.Settings";

// Answers Read the way older portals do: the value wrapped twice.
struct FakePortal : QDBusVirtualObject {
  std::uint32_t scheme = 1;
  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage& m, const QDBusConnection& bus) override {
    if (m.interface() != settings || m.member() != "Read") return false;
    bus.send(m.createReply(QVariant::fromValue(QDBusVariant(QVariant::fromValue(QDBusVariant(scheme))))));
    return true;
  }
};

bool waitFor(const std::function<bool()>& done) {
  QDeadlineTimer deadline(5000);
  while (!done() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

void announce(const QDBusConnection& bus, const QString& key, std::uint32_t scheme) {
  QDBusMessage signal = QDBusMessage::createSignal(path, settings, "SettingChanged");
  signal << QString("org.freedesktop.appearance") << key << QVariant::fromValue(QDBusVariant(scheme));
  bus.send(signal);
}

}  // namespace

TEST(AppearanceWatcher, FollowsThePortalsAnswerAndItsChanges) {
  QProcess daemon;
  daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
  if (!daemon.waitForStarted(5000) || !daemon.waitForReadyRead(5000)) GTEST_SKIP() << "no dbus-daemon here";
  const QString address = QString::fromUtf8(daemon.readLine()).trimmed();

  const QPalette before = QApplication::palette();
  QApplication::setPalette(standardMenuPalette(Appearance::light));
  {
    QDBusConnection portalBus = QDBusConnection::connectToBus(address, "views-test-portal");
    FakePortal portal;
    ASSERT_TRUE(portalBus.registerVirtualObject(path, &portal));
    ASSERT_TRUE(portalBus.registerService(service));

    QDBusConnection appBus = QDBusConnection::connectToBus(address, "views-test-app");
    AppearanceWatcher watcher(appBus);
    std::vector<Appearance> heard;
    QObject::connect(&watcher, &AppearanceWatcher::changed, [&](Appearance a) { heard.push_back(a); });
    EXPECT_TRUE(waitFor([&] { return heard.size() == 1; })) << "the portal's answer";

    announce(portalBus, "color-scheme", 2);
    EXPECT_TRUE(waitFor([&] { return heard.size() == 2; })) << "a change";

    // Another key, and no preference over a light palette: neither changes anything.
    announce(portalBus, "accent-color", 1);
    announce(portalBus, "color-scheme", 0);
    announce(portalBus, "color-scheme", 1);
    EXPECT_TRUE(waitFor([&] { return heard.size() == 3; }));
    EXPECT_EQ(heard, (std::vector<Appearance>{Appearance::dark, Appearance::light, Appearance::dark}));
  }
  QDBusConnection::disconnectFromBus("views-test-app");
  QDBusConnection::disconnectFromBus("views-test-portal");
  QApplication::setPalette(before);
  daemon.kill();
  daemon.waitForFinished(5000);
}
