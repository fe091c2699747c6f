#include "tray/popup_position.hpp"

#include <algorithm>

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

#include "tray/dock_windows.hpp"
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
  // reparented it without telling; that is no place.
  const bool known = anchor.isValid() && QGuiApplication::screenAt(anchor.center()) != nullptr;
  const QScreen* screen =
      known ? QGuiApplication::screenAt(anchor.center()) : QGuiApplication::primaryScreen();
  if (!screen) return anchor.topLeft();
  // Unknown, the icon is taken to sit where trays do, at the end of the bar,
  // never at the pointer, which may be anywhere.
  const QRect whole = screen->geometry();
  QRect available = screen->availableGeometry();
  if (available == whole) available = availableBesideDocks(whole, dockWindows());
  QRect icon = known ? anchor : QRect();
  // With nothing to say where a bar is, a pointer at the top or the bottom
  // most likely just clicked in one.
  if (const QPoint pointer = QCursor::pos();
      !known && available == whole && whole.contains(pointer) &&
      std::min(pointer.y() - whole.top(), whole.bottom() - pointer.y()) < maxBarDepth)
    icon = QRect(pointer, QSize(1, 1));
  return panelPlacement(icon, size, available, whole);
}
