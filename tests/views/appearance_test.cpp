// Light or dark: the portal's answer first, the menu palette without one; the
// watcher runs against a private message bus with a stand-in portal.
#include <vector>

#include <gtest/gtest.h>
#include <QApplication>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QDeadlineTimer>
#include <QProcess>

#include "views/appearance.hpp"
#include "views/panel_colours.hpp"

namespace {

const auto wrap = [](const QVariant& v) { return QVariant::fromValue(QDBusVariant(v)); };

const QString path = "/org/freedesktop/portal/desktop", settings = "org.freedesktop.portal.Settings";

// Answers Read the way older portals do: dark, wrapped twice.
struct FakePortal : QDBusVirtualObject {
  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage& m, const QDBusConnection& bus) override {
    if (m.interface() != settings || m.member() != "Read") return false;
    return bus.send(m.createReply(wrap(wrap(QVariant(1u)))));
  }
};

void announce(const QDBusConnection& bus, const QString& key, std::uint32_t scheme) {
  QDBusMessage signal = QDBusMessage::createSignal(path, settings, "SettingChanged");
  signal << QString("org.freedesktop.appearance") << key << wrap(QVariant(scheme));
  bus.send(signal);
}

bool waitFor(auto done) {
  QDeadlineTimer deadline(5000);
  while (!done() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

}  // namespace

TEST(Appearance, PortalDecidesAndThePaletteOnlyWithoutAPreference) {
  const QPalette light = standardMenuPalette(Appearance::light), dark = standardMenuPalette(Appearance::dark);
  EXPECT_EQ(decideAppearance(1, light), Appearance::dark);
  EXPECT_EQ(decideAppearance(2, dark), Appearance::light);
  EXPECT_EQ(decideAppearance(0, dark), Appearance::dark) << "no preference";
  EXPECT_EQ(decideAppearance(7, dark), Appearance::dark) << "unknown value";
  EXPECT_EQ(decideAppearance(std::nullopt, light), Appearance::light) << "no portal";
  // Older portals wrap the answer once more; anything but a non-negative integer is no answer.
  EXPECT_EQ(colorSchemeFrom(wrap(wrap(QVariant(1u)))), 1u);
  EXPECT_EQ(colorSchemeFrom(QVariant(int(1))), 1u);
  EXPECT_EQ(colorSchemeFrom(QVariant(int(-1))), std::nullopt);
  EXPECT_EQ(colorSchemeFrom(QVariant(QString("1"))), std::nullopt);
}

TEST(Appearance, WatcherFollowsThePortalsAnswerAndItsChanges) {
  QProcess daemon;
  daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
  ASSERT_TRUE(daemon.waitForStarted(5000) && daemon.waitForReadyRead(5000))
      << "dbus-daemon did not start (scripts/install-deps installs it): "
      << daemon.errorString().toStdString();
  const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
  const QPalette before = QApplication::palette();
  QApplication::setPalette(standardMenuPalette(Appearance::light));
  QDBusConnection portalBus = QDBusConnection::connectToBus(address, "views-test-portal");
  FakePortal portal;
  ASSERT_TRUE(portalBus.registerVirtualObject(path, &portal));
  ASSERT_TRUE(portalBus.registerService("org.freedesktop.portal.Desktop"));
  AppearanceWatcher watcher(QDBusConnection::connectToBus(address, "views-test-app"));
  std::vector<Appearance> heard;
  QObject::connect(&watcher, &AppearanceWatcher::changed, [&](Appearance a) { heard.push_back(a); });
  EXPECT_TRUE(waitFor([&] { return heard.size() == 1; })) << "the portal's answer";
  announce(portalBus, "color-scheme", 2);
  EXPECT_TRUE(waitFor([&] { return heard.size() == 2; })) << "a change";
  announce(portalBus, "accent-color", 1);  // another key changes nothing
  announce(portalBus, "color-scheme", 1);
  EXPECT_TRUE(waitFor([&] { return heard.size() == 3; }));
  // With no preference the palette decides, and each of its changes counts once.
  announce(portalBus, "color-scheme", 0);
  EXPECT_TRUE(waitFor([&] { return heard.size() == 4; }));
  QApplication::setPalette(standardMenuPalette(Appearance::dark));
  QApplication::setPalette(standardMenuPalette(Appearance::dark));
  EXPECT_EQ(heard, (std::vector{Appearance::dark, Appearance::light, Appearance::dark, Appearance::light,
                                Appearance::dark}));
  EXPECT_EQ(currentAppearance(), Appearance::dark);
  QApplication::setPalette(before);
  daemon.kill();
  daemon.waitForFinished();
}

TEST(PanelColours, TextFromTheMenuPaletteAccentsFromTheAppearance) {
  QPalette menu;
  menu.setColor(QPalette::Active, QPalette::WindowText, QColor(0x0A141E));
  menu.setColor(QPalette::Active, QPalette::PlaceholderText, QColor(0x787878));
  menu.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x969696));
  const auto inks = [&](Appearance a) {
    const PanelColours c = panelColours(menu, a);
    return std::vector({c.label, c.secondary, c.barBlue, c.orange, c.red});
  };
  EXPECT_EQ(inks(Appearance::light), std::vector<QColor>({0x0A141E, 0x787878, 0x3B6EF0, 0xFF9500, 0xFF3B30}));
  EXPECT_EQ(inks(Appearance::dark), std::vector<QColor>({0x0A141E, 0x787878, 0x7FA6FF, 0xFF9F0A, 0xFF453A}));
  // A style without a distinct placeholder colour still gets a grey.
  menu.setColor(QPalette::Active, QPalette::PlaceholderText, QColor(0x0A141E));
  EXPECT_EQ(inks(Appearance::light)[1], QColor(0x969696));
}
