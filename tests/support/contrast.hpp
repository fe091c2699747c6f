#pragma once
// The contrast between two colours as WCAG measures it, from 1 to 21.

#include <algorithm>
#include <cmath>

#include <QColor>

inline double contrast(QColor a, QColor b) {
  const auto lin = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
  const auto luminance = [&](QColor c) {
    return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
  };
  const double la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}
