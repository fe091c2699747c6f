#include "tray/panel_placement.hpp"

#include <algorithm>
#include <array>

namespace {

// A little air between the bar and the panel, as menus keep.
constexpr int gap = 2;

int clampInto(int v, int low, int high) {
  return high < low ? low : std::clamp(v, low, high);
}

}  // namespace

BarEdge barEdge(const QRect& anchor, const QRect& available, const QRect& screen) {
  const QPoint at = anchor.isValid() ? anchor.center() : screen.center();
  struct Side {
    BarEdge edge;
    bool reduced;
    int distance;
  };
  const std::array<Side, 4> sides{{
      {BarEdge::top, available.top() > screen.top(), at.y() - screen.top()},
      {BarEdge::bottom, available.bottom() < screen.bottom(), screen.bottom() - at.y()},
      {BarEdge::left, available.left() > screen.left(), at.x() - screen.left()},
      {BarEdge::right, available.right() < screen.right(), screen.right() - at.x()},
  }};
  const bool anyReduced = std::any_of(sides.begin(), sides.end(), [](const Side& s) { return s.reduced; });
  // Nothing reserved: an icon in the corner of a top or bottom bar lies
  // nearer the side edge than the bar's own, and upright bars are rare, so
  // an icon within a bar's depth of the top or bottom is taken to sit there.
  if (!anyReduced && std::min(sides[0].distance, sides[1].distance) < maxBarDepth)
    return sides[0].distance <= sides[1].distance ? BarEdge::top : BarEdge::bottom;
  const Side* best = nullptr;
  for (const Side& s : sides) {
    if (anyReduced && !s.reduced) continue;
    if (!best || s.distance < best->distance) best = &s;
  }
  return best->edge;
}

QPoint panelPlacement(const QRect& anchor, const QSize& panel, const QRect& available, const QRect& screen) {
  const BarEdge edge = barEdge(anchor, available, screen);
  QRect icon = anchor;
  if (!icon.isValid()) {
    // Tray areas sit at the right end of a horizontal bar and the bottom of
    // an upright one; the icon is taken to be in that corner of the bar.
    const QPoint corner = edge == BarEdge::top     ? QPoint(available.right(), available.top() - 1)
                          : edge == BarEdge::left  ? QPoint(available.left() - 1, available.bottom())
                          : edge == BarEdge::right ? QPoint(available.right() + 1, available.bottom())
                                                   : QPoint(available.right(), available.bottom() + 1);
    icon = QRect(corner, QSize(1, 1));
  } else {
    // Without a reserved edge (no window manager publishes the work area, or
    // the bar reserves none) the bar's width is unknown. Icons sit centred
    // across their bar, so it is taken to reach as far past the icon's centre
    // as the centre lies from the screen's edge.
    const QPoint c = icon.center();
    if (edge == BarEdge::top && available.top() <= screen.top())
      icon.setBottom(std::max(icon.bottom(), screen.top() + 2 * (c.y() - screen.top())));
    if (edge == BarEdge::bottom && available.bottom() >= screen.bottom())
      icon.setTop(std::min(icon.top(), screen.bottom() - 2 * (screen.bottom() - c.y())));
    if (edge == BarEdge::left && available.left() <= screen.left())
      icon.setRight(std::max(icon.right(), screen.left() + 2 * (c.x() - screen.left())));
    if (edge == BarEdge::right && available.right() >= screen.right())
      icon.setLeft(std::min(icon.left(), screen.right() - 2 * (screen.right() - c.x())));
  }
  const int w = panel.width(), h = panel.height();
  int x = 0, y = 0;
  switch (edge) {
    case BarEdge::top:
      y = std::max(icon.bottom() + 1, available.top()) + gap;
      break;
    case BarEdge::bottom:
      y = std::min(icon.top(), available.bottom() + 1) - gap - h;
      break;
    case BarEdge::left:
      x = std::max(icon.right() + 1, available.left()) + gap;
      break;
    case BarEdge::right:
      x = std::min(icon.left(), available.right() + 1) - gap - w;
      break;
  }
  if (edge == BarEdge::top || edge == BarEdge::bottom) {
    // Left edges line up with the icon, or right edges when that runs off
    // the screen.
    x = icon.left();
    if (x + w - 1 > available.right()) x = icon.right() + 1 - w;
  } else {
    y = icon.top();
    if (y + h - 1 > available.bottom()) y = icon.bottom() + 1 - h;
  }
  return {clampInto(x, available.left(), available.right() + 1 - w),
          clampInto(y, available.top(), available.bottom() + 1 - h)};
}

bool panelAsWindow(std::string_view platformName, std::string_view waylandDisplay,
                   std::string_view sessionType) {
  return platformName.starts_with("wayland") || !waylandDisplay.empty() || sessionType == "wayland";
}
