#pragma once
// Where the bars are when the window manager does not say. Qt's available
// geometry comes from _NET_WORKAREA, which only a window manager publishes;
// without one (a bare X server with a panel, as some minimal sessions run)
// the bars still mark themselves as docks or reserve struts, and their
// windows are where they are.

#include <vector>

#include <QRect>

// The top-level windows that are docks (_NET_WM_WINDOW_TYPE_DOCK) or
// reserve a strut, in global logical coordinates; none off X11.
std::vector<QRect> dockWindows();

// `screen` less every bar in `docks` along its edges: a dock wider than
// tall shortens it from the top or the bottom, whichever half it lies in, a
// taller one from the side. Anything deeper than a third of the screen is
// no bar.
QRect availableBesideDocks(const QRect& screen, const std::vector<QRect>& docks);
