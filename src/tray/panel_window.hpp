#pragma once
// The drawn panel in a small frameless window, for desktops where a menu
// cannot be placed at the cursor (Wayland): the compositor places the
// window, and Escape or a click elsewhere closes it.

#include <QWidget>

class InfoView;

class PanelWindow : public QWidget {
  Q_OBJECT
 public:
  explicit PanelWindow(QWidget* parent = nullptr);

  InfoView* view() const { return view_; }
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
};
