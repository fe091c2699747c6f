#pragma once
// The hand-drawn panel at the top of the menu.

#include <optional>

#include <QString>
#include <QWidget>

#include "display/shown.hpp"
#include "views/appearance.hpp"
#include "views/info_layout.hpp"

class InfoView : public QWidget {
  Q_OBJECT
 public:
  explicit InfoView(QWidget* parent = nullptr);

  using QWidget::update;
  // Takes a new model; returns whether the view's size changed, which an open
  // menu must hear about to re-measure. With the menu open the view never
  // becomes narrower.
  bool update(const Shown& shown, bool checkColumn, bool menuOpen);

  void setAppearance(Appearance appearance);
  Appearance appearance() const { return appearance_; }

  const std::optional<Shown>& shown() const { return shown_; }
  double inset() const { return inset_; }
  PanelLook look() const;

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  // A click on the panel must neither trigger nor close the menu.
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  std::optional<Shown> shown_;
  double inset_ = InfoLayout::leftInset(false);
  Appearance appearance_;
  // What the content needs, apart from the width a menu stretches the view
  // to: a hint that followed the view's own size would feed each stretch
  // back into the next measuring.
  QSize measured_;
};
