#include "tray/panel_window.hpp"

#include <QEvent>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "views/info_view.hpp"

PanelWindow::PanelWindow(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      view_(new InfoView(this)) {
  setAttribute(Qt::WA_DeleteOnClose, false);
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Window);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 6, 0, 6);
  layout->addWidget(view_);
}

void PanelWindow::fitToView() {
  adjustSize();
}

void PanelWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  activateWindow();
  emit opened();
}

void PanelWindow::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  emit closed();
}

void PanelWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    hide();
    return;
  }
  QWidget::keyPressEvent(event);
}

void PanelWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  // Losing focus is how a click elsewhere reaches a window the compositor
  // placed; it closes like a menu would.
  if (event->type() == QEvent::ActivationChange && isVisible() && !isActiveWindow()) hide();
}
