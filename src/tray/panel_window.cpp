#include "tray/panel_window.hpp"

#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "views/info_view.hpp"

namespace {

// A flat, full-width row that reads like a menu entry.
QAbstractButton* commandRow(QAction* action, QWidget* parent) {
  QAbstractButton* row = nullptr;
  if (action->isCheckable()) {
    auto* box = new QCheckBox(parent);
    row = box;
  } else {
    auto* button = new QPushButton(parent);
    button->setFlat(true);
    button->setStyleSheet(QStringLiteral("text-align: left; padding: 4px 8px;"));
    row = button;
  }
  const auto follow = [row, action] {
    QString text = action->text();
    if (!action->shortcut().isEmpty())
      text += QStringLiteral("\t") + action->shortcut().toString(QKeySequence::NativeText);
    row->setText(text.replace(QLatin1Char('\t'), QStringLiteral("    ")));
    row->setEnabled(action->isEnabled());
    row->setVisible(action->isVisible());
    if (action->isCheckable()) row->setChecked(action->isChecked());
  };
  follow();
  QObject::connect(action, &QAction::changed, row, follow);
  QObject::connect(action, &QAction::toggled, row, follow);
  // The action decides the check mark; the row only asks for the change.
  QObject::connect(row, &QAbstractButton::clicked, action, [action, follow] {
    action->trigger();
    follow();
  });
  return row;
}

}  // namespace

PanelWindow::PanelWindow(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      view_(new InfoView(this)),
      rows_(new QVBoxLayout()) {
  setAttribute(Qt::WA_DeleteOnClose, false);
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Window);
  setWindowTitle(QStringLiteral("Quotalume"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 6, 0, 6);
  layout->setSpacing(0);
  layout->addWidget(view_);
  rows_->setContentsMargins(6, 4, 6, 0);
  rows_->setSpacing(0);
  layout->addLayout(rows_);
}

void PanelWindow::setCommands(const QList<QAction*>& commands) {
  for (QAction* action : commands) {
    addAction(action);  // its shortcut works while the window has focus
    if (action->isSeparator()) {
      auto* line = new QFrame(this);
      line->setFrameShape(QFrame::HLine);
      line->setFrameShadow(QFrame::Plain);
      line->setForegroundRole(QPalette::Mid);
      line->setVisible(action->isVisible());
      connect(action, &QAction::changed, line, [line, action] { line->setVisible(action->isVisible()); });
      rows_->addWidget(line);
      continue;
    }
    QAbstractButton* row = commandRow(action, this);
    // A command closes the window as it would close a menu.
    connect(row, &QAbstractButton::clicked, this, &QWidget::hide);
    rows_->addWidget(row);
  }
}

void PanelWindow::fitToView() {
  // Fixed, so that tiling compositors float the window instead of tiling it.
  setFixedSize(sizeHint());
}

void PanelWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  activateWindow();
  // Like a menu, the keyboard starts at the first command each time.
  for (int i = 0; i < rows_->count(); ++i) {
    QWidget* row = rows_->itemAt(i)->widget();
    if (row && row->focusPolicy() != Qt::NoFocus && !row->isHidden() && row->isEnabled()) {
      row->setFocus(Qt::PopupFocusReason);
      break;
    }
  }
  emit opened();
}

void PanelWindow::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  emit closed();
}

void PanelWindow::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
      hide();
      return;
    case Qt::Key_Down:
      focusNextChild();
      return;
    case Qt::Key_Up:
      focusPreviousChild();
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (auto* row = qobject_cast<QAbstractButton*>(focusWidget())) {
        row->click();
        return;
      }
      break;
    default:
      break;
  }
  QWidget::keyPressEvent(event);
}

void PanelWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  // A row with a style sheet keeps the palette it was first polished with,
  // so a switch of scheme reaches it only when its sheet is applied again.
  if (event->type() == QEvent::PaletteChange) {
    for (auto* row : findChildren<QPushButton*>()) row->setStyleSheet(row->styleSheet());
  }
  // Losing focus is how a click elsewhere reaches a window the compositor
  // placed; it closes like a menu would.
  if (event->type() == QEvent::ActivationChange && isVisible() && !isActiveWindow()) hide();
}
