#include "app/app_icon.hpp"

#include "views/gauge_glyph.hpp"

QIcon applicationIcon() {
  // Drawn rather than loaded so the icon needs no image plugin and scales to
  // any size the desktop asks for.
  return gaugeGlyph(0.42, 1, Tone::normal, 72, Appearance::light);
}
