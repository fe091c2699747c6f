#pragma once
// Where the drawn panel opens. On X11 the app places it itself: beside the
// tray icon, on the side away from the bar the icon sits in, so it never
// covers the bar or the icon. On Wayland a client cannot place a window, so
// the panel becomes a small floating window the compositor places.

#include <string_view>

#include <QPoint>
#include <QRect>
#include <QSize>

// The bar's edge: the screen edge where the available geometry is reduced,
// the one nearest the anchor when several are; without a reduced edge, the
// screen edge nearest the anchor.
enum class BarEdge { top, bottom, left, right };
// Deeper than any bar a tray sits in.
inline constexpr int maxBarDepth = 64;
BarEdge barEdge(const QRect& anchor, const QRect& available, const QRect& screen);

// The panel's top-left corner for the icon at `anchor` (an invalid rectangle
// when the host did not say where it is: then the end of the bar where tray
// areas sit is assumed). The panel lies inside `available` whenever it fits.
QPoint panelPlacement(const QRect& anchor, const QSize& panel, const QRect& available, const QRect& screen);

// Whether the panel opens as its own window: in a Wayland session, even when
// the app itself runs through Xwayland, where it cannot know the pointer's
// place and a popup would land in the middle of the screen.
bool panelAsWindow(std::string_view platformName, std::string_view waylandDisplay,
                   std::string_view sessionType);
