#pragma once
// The tray's icon. Tray hosts show a square icon and no text beside it, so the
// headline number is drawn inside the square, under the gauge's arc.

#include <string>

#include <QIcon>
#include <QImage>

#include "display/shown.hpp"
#include "views/appearance.hpp"

struct TrayGlyphSpec {
  double value = 0;    // the arc's share, 0 … 1
  std::string number;  // digits only; an en dash when there is no number
  Tone tone = Tone::normal;
  Appearance appearance = Appearance::light;
  bool withNumber = true;  // false where the host draws the number as a label
};

// What the tray shows for a display model.
TrayGlyphSpec trayGlyphSpec(const Shown& shown, Appearance appearance);

// The sizes tray hosts ask for; a host picks the nearest, so each is drawn
// for its own size rather than scaled.
inline constexpr int trayIconSizes[] = {16, 22, 24, 32, 48, 64};

QImage renderTrayGlyph(const TrayGlyphSpec& glyph, int pixels);
QIcon trayGlyph(const TrayGlyphSpec& glyph);
