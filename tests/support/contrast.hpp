#pragma once
// Contrast as WCAG measures it, from 1 to 21, and the most that anything drawn in an area reaches.
#include <QColor>
#include <QImage>
#include <algorithm>
#include <cmath>

inline double contrast(QColor a, QColor b) {
  const auto lin = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
  const auto luminance = [&](QColor c) {
    return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
  };
  const double la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

inline double strongest(const QImage& shot, const QRect& area, QColor back) {
  double most = 1;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      most = std::max(most, contrast(shot.pixelColor(x, y), back));
  return most;
}
