#pragma once
// The drawn panel and the menu's commands in one small window, for where a
// menu cannot open beside a tray: Wayland, where the compositor places
// windows, and a desktop with no tray at all. It closes without needing the
// focus a compositor may withhold from it: on X11 it is a popup that a click
// anywhere else closes, as a menu is; on Wayland a framed window with a
// close button that asks to float (fixed in size, which tiling compositors
// float rather than tile). Both work from the keyboard like a menu, and
// Escape or a command closes them.

#include <QList>
#include <QWidget>

class InfoView;
class QAction;
class QVBoxLayout;
class RowMetrics;

class PanelWindow : public QWidget {
  Q_OBJECT
 public:
  enum class Kind { popup, framed };
  // The popup on X11, the framed window elsewhere.
  static Kind kindHere();

  explicit PanelWindow(Kind kind = kindHere(), QWidget* parent = nullptr);

  InfoView* view() const { return view_; }
  // One row per action, laid out and drawn as the menu draws it, following
  // its text, check mark, visibility and shortcut; a separator action
  // becomes a separator line.
  void setCommands(const QList<QAction*>& commands);
  // Fixes the window to what its content needs now.
  void fitToView();

 signals:
  void opened();
  void closed();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void moveFocus(bool down);

  InfoView* view_;
  QVBoxLayout* rows_;
  RowMetrics* metrics_;
  QAction* viewSeparator_;
};
