#include "tray/panel_window.hpp"

#include <QAction>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QVBoxLayout>

#include "tray/command_rows.hpp"
#include "tray/panel_placement.hpp"
#include "views/info_view.hpp"

namespace {

Qt::WindowFlags flagsFor(PanelWindow::Kind kind) {
  if (kind == PanelWindow::Kind::popup) return Qt::Popup;
  return Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint;
}

}  // namespace

PanelWindow::Kind PanelWindow::kindHere() {
  return panelAsWindow(QGuiApplication::platformName().toStdString(),
                       qEnvironmentVariable("WAYLAND_DISPLAY").toStdString(),
                       qEnvironmentVariable("XDG_SESSION_TYPE").toStdString())
             ? Kind::framed
             : Kind::popup;
}

PanelWindow::PanelWindow(Kind kind, QWidget* parent)
    : QWidget(parent, flagsFor(kind)),
      view_(new InfoView(this)),
      rows_(new QVBoxLayout()),
      metrics_(new RowMetrics(this)),
      viewSeparator_(new QAction(this)) {
  installCommandRowAccessibility();
  // Unlike a menu's, the line under the panel leads the rows.
  metrics_->setSeparatorsCollapsible(false);
  setAttribute(Qt::WA_DeleteOnClose, false);
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Window);
  setWindowTitle(QStringLiteral("Quotalume"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 6, 0, 6);
  layout->setSpacing(0);
  layout->addWidget(view_);
  rows_->setContentsMargins(0, 0, 0, 0);
  rows_->setSpacing(0);
  layout->addLayout(rows_);
  // The menu's line between the panel and the commands.
  viewSeparator_->setSeparator(true);
  rows_->addWidget(new CommandRow(viewSeparator_, metrics_, this));
}

void PanelWindow::setCommands(const QList<QAction*>& commands) {
  for (QAction* action : commands) {
    addAction(action);  // its shortcut works while the window has focus
    auto* row = new CommandRow(action, metrics_, this);
    // A command closes the window as it would close a menu; a choice in a
    // submenu too.
    if (QMenu* sub = action->menu())
      connect(sub, &QMenu::triggered, this, &QWidget::hide);
    else if (!action->isSeparator())
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
  for (auto* row : findChildren<CommandRow*>()) {
    if (row->focusPolicy() != Qt::NoFocus && !row->isHidden() && row->isEnabled()) {
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

void PanelWindow::moveFocus(bool down) {
  const QList<CommandRow*> rows = findChildren<CommandRow*>();
  QList<CommandRow*> usable;
  for (CommandRow* row : rows)
    if (row->focusPolicy() != Qt::NoFocus && !row->isHidden() && row->isEnabled()) usable << row;
  if (usable.isEmpty()) return;
  const qsizetype at = usable.indexOf(qobject_cast<CommandRow*>(focusWidget()));
  // Round the ends, as a menu does.
  const qsizetype next =
      at < 0 ? (down ? 0 : usable.size() - 1) : (at + (down ? 1 : -1) + usable.size()) % usable.size();
  usable[next]->setFocus(down ? Qt::TabFocusReason : Qt::BacktabFocusReason);
}

void PanelWindow::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
      hide();
      return;
    case Qt::Key_Down:
    case Qt::Key_Tab:
      moveFocus(true);
      return;
    case Qt::Key_Up:
    case Qt::Key_Backtab:
      moveFocus(false);
      return;
    case Qt::Key_Right:
      if (auto* row = qobject_cast<CommandRow*>(focusWidget()); row && row->action()->menu()) row->click();
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
      if (auto* row = qobject_cast<CommandRow*>(focusWidget())) {
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
  // Once it had the focus, losing it is how a click elsewhere reaches a
  // framed window the compositor placed; it closes like a menu would.
  if (event->type() == QEvent::ActivationChange && isVisible() && !isActiveWindow() &&
      !windowFlags().testFlag(Qt::Popup))
    hide();
}
