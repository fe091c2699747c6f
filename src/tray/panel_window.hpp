#pragma once
// The drawn panel and the menu's commands in one small window, for Wayland,
// where a menu cannot be placed beside the tray: the compositor places the
// window. It asks to float (a fixed-size dialog, which tiling compositors
// float rather than tile), works from the keyboard like a menu, and Escape,
// a command or a click elsewhere closes it.

#include <QList>
#include <QWidget>

class InfoView;
class QAction;
class QVBoxLayout;

class PanelWindow : public QWidget {
  Q_OBJECT
 public:
  explicit PanelWindow(QWidget* parent = nullptr);

  InfoView* view() const { return view_; }
  // One row per action, following its text, check mark, visibility and
  // shortcut; a separator action becomes a line.
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
  InfoView* view_;
  QVBoxLayout* rows_;
};
