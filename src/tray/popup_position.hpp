#pragma once
// Where the app's own popups open beside the tray icon, on the screen the
// icon is on, and the host's click points in the coordinates Qt places by.

#include <QPoint>
#include <QRect>
#include <QSize>

// Tray hosts tell a click in device pixels; Qt places windows in logical
// ones, which differ by the screen's device pixel ratio. A point on no
// screen comes back as it is.
QPoint logicalFromDevice(const QPoint& device);

// The top-left corner for a popup of `size` beside the icon at `anchor`
// (global logical coordinates; invalid or off every screen: at the end of
// the primary screen's bar where trays sit), away from the bar.
QPoint besideIcon(const QRect& anchor, const QSize& size);
