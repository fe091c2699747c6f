#include "tray/popup_position.hpp"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

#include "tray/panel_placement.hpp"

QPoint logicalFromDevice(const QPoint& device) {
  for (const QScreen* screen : QGuiApplication::screens()) {
    // Qt keeps a screen's top-left corner where the device puts it and
    // scales only its size.
    const QRect logical = screen->geometry();
    const qreal ratio = screen->devicePixelRatio();
    const QRect native(logical.topLeft(), (QSizeF(logical.size()) * ratio).toSize());
    if (native.contains(device)) return logical.topLeft() + (device - logical.topLeft()) / ratio;
  }
  return device;
}

QPoint besideIcon(const QRect& anchor, const QSize& size) {
  // Qt's XEmbed icon may report a place off every screen when the tray host
  // reparented it without telling; the pointer is nearer the truth.
  const bool known = anchor.isValid() && QGuiApplication::screenAt(anchor.center()) != nullptr;
  const QRect icon = known ? anchor : QRect(QCursor::pos(), QSize(1, 1));
  const QScreen* screen = QGuiApplication::screenAt(icon.center());
  if (!screen) screen = QGuiApplication::primaryScreen();
  return screen ? panelPlacement(icon, size, screen->availableGeometry(), screen->geometry())
                : icon.topLeft();
}
