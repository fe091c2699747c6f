#include <gtest/gtest.h>

#include <QApplication>
#include <QDBusVariant>
#include <QPalette>
#include <vector>

#include "views/appearance.hpp"
#include "views/panel_colours.hpp"
#include "views/panel_render.hpp"

TEST(Appearance, PortalDecidesAndThePaletteOnlyWithoutAPreference) {
  const QPalette light = standardMenuPalette(Appearance::light);
  const QPalette dark = standardMenuPalette(Appearance::dark);
  struct Case {
    const char* name;
    std::optional<std::uint32_t> scheme;
    const QPalette& palette;
    Appearance want;
  } cases[] = {
      {"portal dark over a light palette", 1, light, Appearance::dark},
      {"portal light over a dark palette", 2, dark, Appearance::light},
      {"no preference: dark palette", 0, dark, Appearance::dark},
      {"no preference: light palette", 0, light, Appearance::light},
      {"unknown value", 7, dark, Appearance::dark},
      {"no portal", std::nullopt, light, Appearance::light},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(decideAppearance(c.scheme, c.palette), c.want);
  }
}

TEST(Appearance, ReadsThePortalAnswerHoweverItIsWrapped) {
  struct Case {
    const char* name;
    QVariant value;
    std::optional<std::uint32_t> want;
  } cases[] = {
      {"plain", QVariant(1u), 1},
      {"wrapped once", QVariant::fromValue(QDBusVariant(2u)), 2},
      {"wrapped twice", QVariant::fromValue(QDBusVariant(QVariant::fromValue(QDBusVariant(1u)))), 1},
      {"signed", QVariant(int(1)), 1},
      {"negative", QVariant(int(-1)), std::nullopt},
      {"text", QVariant(QString("1")), std::nullopt},
      {"nothing", QVariant(), std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(colorSchemeFrom(c.value), c.want);
  }
}

TEST(Appearance, WatcherFollowsAPaletteChangeWithoutAPortal) {
  const QPalette before = QApplication::palette();
  QApplication::setPalette(standardMenuPalette(Appearance::light));
  AppearanceWatcher watcher;
  std::vector<Appearance> heard;
  QObject::connect(&watcher, &AppearanceWatcher::changed, [&](Appearance a) { heard.push_back(a); });
  ASSERT_EQ(watcher.appearance(), Appearance::light);

  QApplication::setPalette(standardMenuPalette(Appearance::dark));
  EXPECT_EQ(heard, std::vector<Appearance>{Appearance::dark});
  EXPECT_EQ(currentAppearance(), Appearance::dark);

  QApplication::setPalette(standardMenuPalette(Appearance::dark));
  EXPECT_EQ(heard.size(), 1u) << "no news, no signal";
  QApplication::setPalette(before);
}

TEST(PanelColours, TextFromTheMenuPaletteAccentsFromTheAppearance) {
  QPalette menu;
  menu.setColor(QPalette::Active, QPalette::WindowText, QColor(10, 20, 30));
  menu.setColor(QPalette::Active, QPalette::PlaceholderText, QColor(120, 120, 120));
  menu.setColor(QPalette::Disabled, QPalette::WindowText, QColor(150, 150, 150));

  const PanelColours light = panelColours(menu, Appearance::light);
  EXPECT_EQ(light.label, QColor(10, 20, 30));
  EXPECT_EQ(light.secondary, QColor(120, 120, 120));
  EXPECT_LT(light.tertiary.alphaF(), light.label.alphaF());
  EXPECT_EQ(light.barBlue, QColor(0x3B, 0x6E, 0xF0));
  EXPECT_EQ(light.orange, QColor(0xFF, 0x95, 0x00));
  EXPECT_EQ(light.red, QColor(0xFF, 0x3B, 0x30));

  const PanelColours dark = panelColours(menu, Appearance::dark);
  EXPECT_EQ(dark.barBlue, QColor(0x7F, 0xA6, 0xFF));
  EXPECT_EQ(dark.orange, QColor(0xFF, 0x9F, 0x0A));
  EXPECT_EQ(dark.red, QColor(0xFF, 0x45, 0x3A));

  // A style without a distinct placeholder colour still gets a grey.
  menu.setColor(QPalette::Active, QPalette::PlaceholderText, QColor(10, 20, 30));
  EXPECT_EQ(panelColours(menu, Appearance::light).secondary, QColor(150, 150, 150));
}

TEST(PanelRender, DrawsThePanelOnItsMenuBackground) {
  Shown s;
  s.status = "사용량을 못 가져왔어요 (http-503)";
  for (auto appearance : {Appearance::light, Appearance::dark}) {
    SCOPED_TRACE(int(appearance));
    const QPalette palette = standardMenuPalette(appearance);
    EXPECT_EQ(appearanceFromPalette(palette), appearance);
    const QImage image = renderPanel(s, appearance, 2);
    EXPECT_EQ(image.devicePixelRatio(), 2.0);
    EXPECT_GE(image.width(), 480);
    EXPECT_EQ(image.width() % 2, 0);
    EXPECT_EQ(image.pixelColor(1, 1), palette.color(QPalette::Window));
  }
}
