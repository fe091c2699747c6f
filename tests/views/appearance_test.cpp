// Light or dark: the portal's answer first, GTK's settings next, the menu
// palette without either; the watcher runs against a private message bus
// with a stand-in portal.
#include <cstdlib>
#include <fstream>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>
#include <QApplication>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QStyle>
#include <QTemporaryDir>

#include "support/event_wait.hpp"
#include "support/private_bus.hpp"
#include "views/app_palette.hpp"
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

void write(const QTemporaryDir& home, const char* version, const char* text) {
  if (text == nullptr) return;
  QDir(home.path()).mkpath(version);
  std::ofstream(home.filePath(QString(version) + "/settings.ini").toStdString()) << "[Settings]\n" << text;
}

}  // namespace

TEST(Appearance, PortalThenGtkThenThePalette) {
  const QPalette light = standardMenuPalette(Appearance::light), dark = standardMenuPalette(Appearance::dark);
  const auto none = std::nullopt;
  EXPECT_EQ(decideAppearance(1, Appearance::light, light), Appearance::dark);
  EXPECT_EQ(decideAppearance(0, Appearance::dark, light), Appearance::dark) << "no preference: GTK";
  EXPECT_EQ(decideAppearance(7, none, dark), Appearance::dark) << "unknown value: the palette";
  EXPECT_EQ(decideAppearance(none, none, light), Appearance::light) << "no portal, no GTK";
  // A plain integer counts too (the stand-in portal below wraps it twice); a negative or text does not.
  EXPECT_EQ(colorSchemeFrom(QVariant(int(1))), 1u);
  EXPECT_EQ(colorSchemeFrom(QVariant(int(-1))), std::nullopt);
  EXPECT_EQ(colorSchemeFrom(QVariant(QString("1"))), std::nullopt);
}

TEST(Appearance, GtkSettings) {
  const auto dark = Appearance::dark, light = Appearance::light;
  // What, GTK_THEME, GTK 3's and GTK 4's settings.ini, and the answer.
  const std::tuple<const char*, const char*, const char*, const char*, std::optional<Appearance>> cases[] = {
      {"nothing said", "", nullptr, nullptr, std::nullopt},
      {"prefer dark", "", "gtk-application-prefer-dark-theme=1\n", nullptr, dark},
      {"a dark theme", "", "gtk-theme-name=Adwaita-dark\n", nullptr, dark},
      {"quoted, any case", "", "gtk-theme-name=\"Greybird-Dark\"\n", nullptr, dark},
      {"a light theme", "", "gtk-theme-name=Greybird\n", nullptr, light},
      {"light theme, dark preference", "", "gtk-theme-name=Adwaita\ngtk-application-prefer-dark-theme=1\n",
       nullptr, dark},
      {"another group", "", "[Other]\ngtk-theme-name=Adwaita-dark\n", nullptr, std::nullopt},
      {"only GTK 4, spaced, spelt true", "", nullptr, "gtk-application-prefer-dark-theme = true\n", dark},
      {"GTK 3 first", "", "gtk-theme-name=Adwaita\n", "gtk-theme-name=Adwaita-dark\n", light},
      {"GTK_THEME over the files", "Adwaita:dark", "gtk-theme-name=Adwaita\n", nullptr, dark},
      {"GTK_THEME light", "Adwaita", "gtk-theme-name=Adwaita-dark\n", nullptr, light},
  };
  for (const auto& [name, env, gtk3, gtk4, want] : cases) {
    SCOPED_TRACE(name);
    const QTemporaryDir home;
    write(home, "gtk-3.0", gtk3);
    write(home, "gtk-4.0", gtk4);
    EXPECT_EQ(gtkAppearance(env, home.path().toStdString()), want);
  }
}

TEST(Appearance, WatcherFollowsThePortalsAnswerAndItsChanges) {
  PrivateBus bus;
  ASSERT_FALSE(bus.address.isEmpty()) << "dbus-daemon did not start (scripts/install-deps installs it)";
  const QTemporaryDir config;
  setenv("XDG_CONFIG_HOME", config.path().toLocal8Bit().constData(), 1);
  const QPalette before = QApplication::palette();
  // The platform's palettes, not the app's own.
  QPalette platformLight(QRgb(0x101010), QRgb(0xfafafa)), platformDark(QRgb(0xf0f0f0), QRgb(0x202020));
  QApplication::setPalette(platformLight);
  QDBusConnection portalBus = QDBusConnection::connectToBus(bus.address, "views-test-portal");
  FakePortal portal;
  ASSERT_TRUE(portalBus.registerVirtualObject(path, &portal));
  ASSERT_TRUE(portalBus.registerService("org.freedesktop.portal.Desktop"));
  AppearanceWatcher watcher(QDBusConnection::connectToBus(bus.address, "views-test-app"));
  std::vector<Appearance> heard;
  QObject::connect(&watcher, &AppearanceWatcher::changed, [&](Appearance a) { heard.push_back(a); });
  EXPECT_TRUE(waitUntil([&] { return heard.size() == 1; })) << "the portal's answer";
  announce(portalBus, "color-scheme", 2);
  EXPECT_TRUE(waitUntil([&] { return heard.size() == 2; })) << "a change";
  announce(portalBus, "accent-color", 1);  // another key changes nothing
  announce(portalBus, "color-scheme", 1);
  EXPECT_TRUE(waitUntil([&] { return heard.size() == 3; }));
  // With no preference the palette decides, and each of its changes counts
  // once; the app's own palette is no change of the desktop's.
  announce(portalBus, "color-scheme", 0);
  EXPECT_TRUE(waitUntil([&] { return heard.size() == 4; }));
  QApplication::setPalette(platformDark);
  QApplication::setPalette(platformDark);
  applyAppearance(Appearance::light);
  // GTK's setting comes before the palette, and is followed while running.
  write(config, "gtk-3.0", "gtk-application-prefer-dark-theme=0\n");
  EXPECT_TRUE(waitUntil([&] { return heard.size() == 6; })) << "a changed settings.ini";
  EXPECT_EQ(heard, (std::vector{Appearance::dark, Appearance::light, Appearance::dark, Appearance::light,
                                Appearance::dark, Appearance::light}));
  EXPECT_EQ(currentAppearance(), Appearance::light);
  // Dark means the whole app: Fusion and a dark palette for every widget.
  applyAppearance(Appearance::dark);
  EXPECT_EQ(QApplication::style()->objectName().toLower(), "fusion");
  EXPECT_EQ(QApplication::palette("QMessageBox").color(QPalette::Window),
            standardMenuPalette(Appearance::dark).color(QPalette::Window));
  EXPECT_EQ(heard.size(), 6u);
  QApplication::setPalette(before);
  unsetenv("XDG_CONFIG_HOME");
}

// The text inks are the menu's own; the tones are ours (their contrast is measured in the panel's tests).
TEST(PanelColours, TextFromTheMenuPalette) {
  QPalette menu;
  menu.setColor(QPalette::Active, QPalette::WindowText, QColor(0x0A141E));
  menu.setColor(QPalette::Active, QPalette::PlaceholderText, QColor(0x787878));
  menu.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x969696));
  const PanelColours c = panelColours(menu, Appearance::dark);
  EXPECT_EQ(std::pair(c.label, c.secondary), std::pair(QColor(0x0A141E), QColor(0x787878)));
  // A style without a distinct placeholder colour still gets a grey.
  menu.setColor(QPalette::Active, QPalette::PlaceholderText, QColor(0x0A141E));
  EXPECT_EQ(panelColours(menu, Appearance::light).secondary, QColor(0x969696));
}
