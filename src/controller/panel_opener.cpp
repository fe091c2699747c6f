#include "controller/panel_opener.hpp"

#include <QGuiApplication>
#include <QMenu>
#include <QScreen>

#include "controller/launch_token.hpp"
#include "tray/panel_placement.hpp"
#include "tray/panel_window.hpp"
#include "tray/popup_position.hpp"
#include "views/info_view.hpp"

namespace {

bool panelInWindow() {
  return panelAsWindow(QGuiApplication::platformName().toStdString(),
                       qEnvironmentVariable("WAYLAND_DISPLAY").toStdString(),
                       qEnvironmentVariable("XDG_SESSION_TYPE").toStdString());
}

}  // namespace

PanelOpener::PanelOpener(QMenu* menu, InfoView* view, QList<QAction*> commands, QObject* parent)
    : QObject(parent), menu_(menu), view_(view), commands_(std::move(commands)) {}

PanelOpener::~PanelOpener() {
  // A top-level window without a parent; it goes with the opener.
  delete window_.data();
}

PanelWindow* PanelOpener::window() const {
  return window_;
}

void PanelOpener::activate(bool trayShown, const QRect& iconPlace,
                           const std::optional<QByteArray>& launchToken) {
  if (trayShown && !panelInWindow())
    showBesideIcon(lastAnchor_.isValid() ? lastAnchor_ : iconPlace);
  else
    showWindow(launchToken);
}

void PanelOpener::showBesideIcon(const QRect& anchor) {
  if (anchor.isValid()) lastAnchor_ = anchor;
  if (!panelInWindow()) {
    if (!menu_->isVisible()) menu_->popup(besideIcon(anchor, menu_->sizeHint()));
    return;
  }
  showWindow();
}

void PanelOpener::showWindow(const std::optional<QByteArray>& launchToken) {
  if (!window_) {
    window_ = new PanelWindow();
    window_->setCommands(commands_);
    window_->view()->setAppearance(view_->appearance());
    connect(window_, &PanelWindow::opened, this, &PanelOpener::windowOpened);
    connect(window_, &PanelWindow::closed, this, &PanelOpener::windowClosed);
  }
  if (const auto& shown = view_->shown()) window_->view()->update(*shown, false, false);
  window_->fitToView();
  // On X11 without a tray nothing says where the panel belongs; the middle
  // of the screen is where a user looks after starting an app.
  if (QScreen* screen = QGuiApplication::primaryScreen(); screen && !window_->isVisible())
    window_->move(screen->availableGeometry().center() - window_->rect().center());
  showWithLaunchToken(window_, launchToken);
}

void PanelOpener::setAppearance(Appearance appearance) {
  if (window_) window_->view()->setAppearance(appearance);
}

void PanelOpener::update(const Shown& shown) {
  if (!window_ || !window_->isVisible()) return;
  if (window_->view()->update(shown, false, true)) window_->fitToView();
}
