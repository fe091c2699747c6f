// The Wayland panel: a fixed-size dialog that tiling compositors float,
// carrying the menu's commands, usable from the keyboard.
#include <gtest/gtest.h>
#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QPushButton>

#include "tray/panel_window.hpp"

namespace {

void press(QWidget* widget, int key) {
  QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &event);
}

}  // namespace

TEST(PanelWindow, FloatsAndOffersTheCommands) {
  QAction open("Open at login"), update("Check for updates\u2026"), line, support("Support This App\u2026");
  open.setCheckable(true);
  line.setSeparator(true);
  support.setVisible(false);
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
  box->click();
  EXPECT_TRUE(open.isChecked()) << "the row asks the action, which keeps the check mark";
  EXPECT_FALSE(window.isVisible()) << "a command closes the panel";

  window.show();
  EXPECT_EQ(window.focusWidget(), box) << "the first command takes the keyboard";
  press(&window, Qt::Key_Down);
  press(window.focusWidget(), Qt::Key_Return);
  EXPECT_EQ(updates, 1) << "down to the second command and Return";
  window.show();
  press(&window, Qt::Key_Escape);
  EXPECT_FALSE(window.isVisible());
}
