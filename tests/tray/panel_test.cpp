// The panel opens beside the tray, away from the bar, inside the screen's
// free area, never over the bar or the icon. On Wayland it is a fixed-size
// dialog that tiling compositors float, carrying the menu's commands, usable
// from the keyboard.
#include <tuple>

#include <gtest/gtest.h>
#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>

#include "support/contrast.hpp"
#include "tray/panel_placement.hpp"
#include "tray/panel_window.hpp"
#include "views/app_palette.hpp"

TEST(PanelPlacement, BesideTheIconAwayFromTheBar) {
  const QRect screen(0, 0, 1920, 1080), second(1920, 0, 1280, 1024);
  const QSize panel(300, 200);
  // What, the icon (or the host's click point), the screen's free area, the screen, and where the panel
  // opens.
  const std::tuple<const char*, QRect, QRect, QRect, QPoint> cases[] = {
      {"top bar, icon near the right end", {1800, 2, 24, 24}, {0, 28, 1920, 1052}, screen, {1524, 30}},
      {"bottom bar", {1800, 1052, 24, 24}, {0, 0, 1920, 1048}, screen, {1524, 846}},
      {"left bar, icon low down", {12, 900, 24, 24}, {48, 0, 1872, 1080}, screen, {50, 724}},
      {"right bar", {1884, 100, 24, 24}, {0, 0, 1872, 1080}, screen, {1570, 100}},
      {"top-left corner", {0, 0, 24, 24}, {0, 28, 1920, 1052}, screen, {0, 30}},
      {"bar and dock: the icon's bar", {1800, 1040, 24, 24}, {0, 28, 1920, 1000}, screen, {1524, 826}},
      // Without a reserved edge the icon is taken to sit centred across its bar.
      {"no reserved edge: the nearest one", {1890, 5, 24, 24}, screen, screen, {1614, 35}},
      {"no reserved edge, a click point", {1810, 16, 1, 1}, screen, screen, {1511, 35}},
      {"no reserved edge, icon in the top right corner", {1900, 4, 16, 16}, screen, screen, {1616, 25}},
      {"no reserved edge, bottom", {1810, 1064, 1, 1}, screen, screen, {1511, 847}},
      {"second screen", {3150, 0, 24, 24}, {1920, 24, 1280, 1000}, second, {2874, 26}},
      {"unknown icon, bottom bar: its right end", {}, {0, 0, 1920, 1048}, screen, {1620, 846}},
      {"unknown icon, top bar", {}, {0, 28, 1920, 1052}, screen, {1620, 30}},
      {"unknown icon, left bar: its bottom", {}, {48, 0, 1872, 1080}, screen, {50, 880}}};
  for (const auto& [name, anchor, available, onScreen, want] : cases) {
    SCOPED_TRACE(name);
    const QPoint at = panelPlacement(anchor, panel, available, onScreen);
    EXPECT_EQ(at, want);
    const QRect placed(at, panel);
    EXPECT_TRUE(available.contains(placed));
    EXPECT_FALSE(placed.intersects(anchor));
  }
}

TEST(PanelPlacement, OwnWindowInAnyWaylandSession) {
  // The platform plugin, WAYLAND_DISPLAY and XDG_SESSION_TYPE; the last runs through Xwayland.
  const std::tuple<const char*, const char*, const char*, bool> cases[] = {
      {"xcb", "", "x11", false},
      {"xcb", "", "", false},
      {"wayland", "wayland-0", "wayland", true},
      {"wayland-egl", "", "", true},
      {"xcb", "wayland-1", "", true},
      {"xcb", "", "wayland", true}};
  for (const auto& [platform, display, session, want] : cases)
    EXPECT_EQ(panelAsWindow(platform, display, session), want)
        << platform << " " << display << " " << session;
}

TEST(PanelWindow, FloatsAndOffersTheCommands) {
  QAction open("Open at login"), update("Check for updates\u2026"), line, support("Support This App\u2026");
  open.setCheckable(true);
  line.setSeparator(true);
  support.setVisible(false);
  QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, {}), enter(QEvent::KeyPress, Qt::Key_Return, {});
  int updates = 0;
  QObject::connect(&update, &QAction::triggered, [&] { ++updates; });

  PanelWindow window;
  window.setCommands({&open, &update, &line, &support});
  window.fitToView();
  EXPECT_EQ(window.windowType(), Qt::Dialog);
  EXPECT_EQ(window.minimumSize(), window.maximumSize()) << "a tiling compositor would tile it";

  auto* box = window.findChild<QCheckBox*>();
  const QList<QPushButton*> buttons = window.findChildren<QPushButton*>();
  ASSERT_TRUE(box != nullptr);
  ASSERT_EQ(buttons.size(), 2);
  EXPECT_TRUE(buttons[1]->isHidden()) << "a hidden command has no row";
  support.setVisible(true);
  EXPECT_FALSE(buttons[1]->isHidden()) << "and gets it back when shown";

  window.show();
  // Rows and unchecked boxes (window and menu) stand out in either scheme, also after a live switch.
  QMenu menu;
  menu.addActions({&open, &update});
  menu.popup({0, 0});
  const QRect row = menu.actionGeometry(&open), boxEdge(box->pos(), QSize(16, box->height()));
  for (Appearance a : {Appearance::light, Appearance::dark}) {
    applyAppearance(a);
    QCoreApplication::processEvents();  // the palette reaches widgets as events
    const QImage panel = window.grab().toImage(), shot = menu.grab().toImage();
    // Grabs hold device pixels (the tests run at twice the scale); areas are logical.
    const auto in = [](const QImage& image, const QRect& area) {
      return QRect(area.topLeft() * image.devicePixelRatio(), area.size() * image.devicePixelRatio());
    };
    const QColor back = panel.pixelColor(1, 1);
    for (QAbstractButton* command : window.findChildren<QAbstractButton*>())
      EXPECT_GE(strongest(panel, in(panel, command->geometry()), back), 4.5) << command->text().toStdString();
    EXPECT_GE(strongest(panel, in(panel, boxEdge), back), 3) << "the unchecked box";
    // Inside the menu's frame, which is two pixels wide at this scale.
    const QColor menuBack = shot.pixelColor(QPoint(2, 2) * shot.devicePixelRatio());
    EXPECT_GE(strongest(shot, in(shot, row.adjusted(0, 0, 22 - row.width(), 0)), menuBack), 3);
  }
  box->click();
  EXPECT_TRUE(open.isChecked()) << "the row asks the action, which keeps the check mark";
  EXPECT_FALSE(window.isVisible()) << "a command closes the panel";

  window.show();
  EXPECT_EQ(window.focusWidget(), box) << "the first command takes the keyboard";
  QCoreApplication::sendEvent(&window, &down);
  QCoreApplication::sendEvent(window.focusWidget(), &enter);
  EXPECT_EQ(updates, 1) << "down to the second command and Return";
}
