#pragma once
// The rows of the panel window, drawn as the menu draws its items: the same
// style option, row heights, check column and right-aligned shortcut, taken
// from a menu that holds the same actions and is never shown. Read through
// the accessibility bus they are menu items, check boxes and separators,
// each named by its label alone, and hidden rows are not listed.

#include <QAbstractButton>
#include <QMenu>
#include <QStyleOptionMenuItem>

// The menu the rows measure themselves against.
class RowMetrics : public QMenu {
  Q_OBJECT
 public:
  explicit RowMetrics(QWidget* parent = nullptr) : QMenu(parent) {}
  // The style option of `action`'s item, as the menu would draw it.
  QStyleOptionMenuItem optionFor(const QAction* action) const;
};

// One command, or a separator line, following its action: label, check mark,
// shortcut, enabled and visible.
class CommandRow : public QAbstractButton {
  Q_OBJECT
 public:
  CommandRow(QAction* action, RowMetrics* metrics, QWidget* parent);

  QAction* action() const { return action_; }
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void nextCheckState() override;

 private:
  void follow();

  QAction* action_;
  RowMetrics* metrics_;
};

// Registers the accessibility of the panel window, its rows and separators.
void installCommandRowAccessibility();
