#pragma once
// The guide window's geometry, in the window's top-left-origin coordinates.

#include <QRect>

struct GuideLayout {
  QRect icon, title, body, close, open;
  int width = 0;
  int height = 0;
};

inline constexpr int guideWidth = 470;
inline constexpr int guideBodyWidth = 410;

// bodyHeight is the measured height of the body text at guideBodyWidth; the
// fitted widths are the buttons' natural widths for their titles.
GuideLayout guideLayout(double bodyHeight, int openFitted, int closeFitted);
