#include "windows/guide_layout.hpp"

#include <algorithm>
#include <cmath>

GuideLayout guideLayout(double bodyHeight, int openFitted, int closeFitted) {
  // A fraction of a point would cut off the last line; the text is measured in
  // a 2000-point box, so nothing taller can come back.
  const int h = static_cast<int>(std::ceil(bodyHeight > 0 ? std::min(bodyHeight, 2000.0) : 0.0));
  const int openWidth = std::max(140, openFitted + 24);
  const int closeWidth = std::max(96, closeFitted + 24);

  GuideLayout g;
  g.width = guideWidth;
  g.height = h + 212;
  // The layout is designed bottom-up: buttons 18 above the bottom edge, the
  // body above them, then title and icon; flip each frame to Qt's top-left origin.
  auto frame = [&](int x, int bottomY, int w, int hh) { return QRect(x, g.height - bottomY - hh, w, hh); };
  g.open = frame(448 - openWidth, 18, openWidth, 32);
  g.close = frame(g.open.x() - 8 - closeWidth, 18, closeWidth, 32);
  g.body = frame(30, 72, guideBodyWidth, h);
  g.title = frame(20, h + 84, 430, 24);
  g.icon = frame(199, h + 118, 72, 72);
  return g;
}
