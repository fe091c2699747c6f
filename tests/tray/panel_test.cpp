// The panel opens beside the tray, away from the bar, inside the screen's
// free area, never over the bar or the icon. On Wayland it is a fixed-size
// dialog that tiling compositors float, carrying the menu's commands, usable
// from the keyboard.
#include <tuple>

#include <gtest/gtest.h>
#include <QAccessible>
#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>

#include "support/contrast.hpp"
#include "tray/command_rows.hpp"
#include "tray/dock_windows.hpp"
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
      {"unknown icon, left bar: its bottom", {}, {48, 0, 1872, 1080}, screen, {50, 880}},
      // No window manager: the bars' own windows mark the edge.
      {"unknown icon, a top dock", {}, availableBesideDocks(screen, {{0, 0, 1920, 32}}), screen, {1620, 34}},
      {"unknown icon, a bottom dock and a side dock",
       {},
       availableBesideDocks(screen, {{0, 1040, 1920, 40}, {0, 0, 48, 1040}}),
       screen,
       {1620, 838}},
      {"a dock as deep as half the screen is no bar",
       {},
       availableBesideDocks(screen, {{0, 0, 1920, 540}}),
       screen,
       {1620, 2}}};
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
  const std::tuple<const char*, const char*, const char*, bool> cases[] = {{"xcb", "", "x11", false},
                                                                           {"wayland-egl", "", "", true},
                                                                           {"xcb", "wayland-1", "", true},
                                                                           {"xcb", "", "wayland", true}};
  for (const auto& [platform, display, session, want] : cases)
    EXPECT_EQ(panelAsWindow(platform, display, session), want)
        << platform << " " << display << " " << session;
}

// The window closes without the focus a compositor may withhold, reads through the accessibility bridge as
// the menu would, and is laid out, coloured and driven from the keyboard as the menu is.
TEST(PanelWindow, ClosesWithoutFocusAndReadsLikeTheMenu) {
  QAction open("Open at login"), update("Check for updates\u2026"), line, support("Support This App\u2026"),
      quit("Quit Quotalume");
  open.setCheckable(true);
  line.setSeparator(true);
  support.setVisible(false);
  quit.setShortcut(QKeySequence(QStringLiteral("Ctrl+Q")));
  int updates = 0;
  QObject::connect(&update, &QAction::triggered, [&] { ++updates; });
  const QList<QAction*> actions{&open, &update, &line, &support, &quit};

  EXPECT_EQ(PanelWindow(PanelWindow::Kind::popup).windowType(), Qt::Popup) << "a click elsewhere closes it";
  PanelWindow window(PanelWindow::Kind::framed);
  window.setCommands(actions);
  window.fitToView();
  EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowCloseButtonHint));
  EXPECT_EQ(window.minimumSize(), window.maximumSize()) << "a tiling compositor would tile it";

  QAccessibleInterface* face = QAccessible::queryAccessibleInterface(&window);
  QStringList read;
  for (int i = 0; i < face->childCount(); ++i) {
    QAccessibleInterface* child = face->child(i);
    read << QString::number(child->role()) + ":" + child->text(QAccessible::Name);
    if (child->text(QAccessible::Name) == "Quit Quotalume") {
      EXPECT_EQ(child->actionInterface()->keyBindingsForAction(QAccessibleActionInterface::pressAction()),
                QStringList("Ctrl+Q"));
    }
  }
  const auto role = [](QAccessible::Role r, const char* name) { return QString::number(r) + ":" + name; };
  EXPECT_EQ(read,
            QStringList({role(QAccessible::StaticText, ""), role(QAccessible::Separator, ""),
                         role(QAccessible::CheckBox, "Open at login"),
                         role(QAccessible::MenuItem, "Check for updates\u2026"),
                         role(QAccessible::Separator, ""), role(QAccessible::MenuItem, "Quit Quotalume")}))
      << "the hidden row is not listed, the separators are separators, the shortcut is no part of a name";

  window.show();
  QMenu menu;
  menu.addActions(actions);
  menu.popup({0, 0});
  const QList<CommandRow*> rows = window.findChildren<CommandRow*>();
  ASSERT_EQ(rows.size(), 6);
  for (int i = 1; i < 6; ++i)
    if (rows[i]->isVisible()) {
      EXPECT_EQ(rows[i]->height(), menu.actionGeometry(actions[i - 1]).height()) << i;
    }
  for (Appearance a : {Appearance::light, Appearance::dark}) {
    SCOPED_TRACE(a == Appearance::dark ? "dark" : "light");
    applyAppearance(a);
    QCoreApplication::processEvents();  // the palette reaches widgets as events
    const QImage panel = window.grab().toImage(), shot = menu.grab().toImage();
    // Grabs hold device pixels (the tests run at twice the scale); areas are logical.
    const auto in = [](const QImage& image, const QRect& area) {
      return QRect(area.topLeft() * image.devicePixelRatio(), area.size() * image.devicePixelRatio());
    };
    // The last column in an area drawn in anything but the background.
    const auto inkRight = [](const QImage& image, const QRect& area, QColor back) {
      for (int x = area.right(); x > area.left(); --x)
        if (strongest(image, QRect(x, area.top(), 1, area.height()), back) > 1.5) return area.right() - x;
      return area.width();
    };
    const QColor back = panel.pixelColor(1, 1),
                 menuBack = shot.pixelColor(QPoint(2, 2) * shot.devicePixelRatio());
    for (int i : {1, 2, 5}) EXPECT_GE(strongest(panel, in(panel, rows[i]->geometry()), back), 4.5) << i;
    const QRect box = rows[1]->geometry(), menuBox = menu.actionGeometry(&open);
    EXPECT_GE(strongest(panel, in(panel, box.adjusted(0, 0, 22 - box.width(), 0)), back), 3)
        << "the check box";
    EXPECT_GE(strongest(shot, in(shot, menuBox.adjusted(0, 0, 22 - menuBox.width(), 0)), menuBack), 3);
    for (const QRect& separator : {rows[0]->geometry(), rows[3]->geometry()})
      EXPECT_GE(strongest(panel, in(panel, separator), back), 1.5) << "a separator";
    EXPECT_GE(strongest(shot, in(shot, menu.actionGeometry(&line)), menuBack), 1.5) << "the menu's separator";
    // Both measured from inside the menu's frame.
    EXPECT_NEAR(inkRight(panel, in(panel, rows[5]->geometry().adjusted(0, 2, -2, -2)), back),
                inkRight(shot, in(shot, menu.actionGeometry(&quit).adjusted(0, 2, -2, -2)), menuBack),
                2 * panel.devicePixelRatio())
        << "Ctrl+Q right-aligned as in the menu";
  }
  menu.hide();

  EXPECT_EQ(window.focusWidget(), rows[1]) << "the first command takes the keyboard";
  for (auto [key, focused] : {std::pair{Qt::Key_Up, 5}, {Qt::Key_Down, 1}, {Qt::Key_Down, 2}}) {
    QKeyEvent press(QEvent::KeyPress, key, {});
    QCoreApplication::sendEvent(&window, &press);
    EXPECT_EQ(window.focusWidget(), rows[focused]) << "round the ends, past separators and hidden rows";
  }
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, {}), escape(QEvent::KeyPress, Qt::Key_Escape, {});
  QCoreApplication::sendEvent(window.focusWidget(), &enter);
  EXPECT_EQ(std::pair(updates, window.isVisible()), std::pair(1, false)) << "Return runs it and closes";
  window.show();
  rows[1]->click();
  EXPECT_TRUE(open.isChecked()) << "the row asks the action, which keeps the check mark";
  window.show();
  QCoreApplication::sendEvent(&window, &escape);
  EXPECT_FALSE(window.isVisible());

  QMenu choices;
  QAction* highest = choices.addAction("The highest");
  QAction show("Show in tray");
  show.setMenu(&choices);
  PanelWindow withMenu(PanelWindow::Kind::framed);
  withMenu.setCommands({&show});
  withMenu.show();
  withMenu.findChildren<CommandRow*>()[1]->click();
  EXPECT_TRUE(choices.isVisible()) << "a submenu opens beside its row";
  highest->trigger();
  EXPECT_FALSE(withMenu.isVisible()) << "and a choice in it closes the window";
}
