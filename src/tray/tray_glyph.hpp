#pragma once
// The tray's icon. Tray hosts show a square icon and no text beside it, so the
// headline number is drawn inside the square, under the gauge's arc. Panels
// come in every colour, whatever the desktop's scheme says, so the icon
// brings its own backdrop: a rounded plate in the scheme's colour that every
// mark is measured against, never the panel.

#include <string>

#include <QIcon>
#include <QImage>

#include "display/shown.hpp"
#include "display/tray_choice.hpp"
#include "views/appearance.hpp"

struct TrayGlyph {
  double value = 0;    // the arc's share, 0 … 1
  std::string number;  // digits only; an en dash when there is no number
  Tone tone = Tone::normal;
  Appearance appearance = Appearance::light;
  bool withNumber = true;  // false where the host draws the number as a label
};

// What the tray shows for the chosen window of a display model.
TrayGlyph trayGlyphFor(const Glance& glance, Appearance appearance);

// The sizes tray hosts ask for, 44 and 48 among them for a 22 or 24 px icon
// on a 2x screen; each is drawn for its own size rather than scaled from
// another.
inline constexpr int trayIconSizes[] = {16, 22, 24, 32, 44, 48, 64};

// One mark alone, where and as strong as it is in the whole icon, so each can
// be measured against what surrounds it. `ink` is the number (or the dash),
// or the needle and hub of an icon without a number.
enum class TrayGlyphPart { all, plate, track, arc, ink };

QImage renderTrayGlyph(const TrayGlyph& glyph, int pixels, TrayGlyphPart part = TrayGlyphPart::all);
// Drawn afresh at whatever size the host asks for.
QIcon trayGlyph(const TrayGlyph& glyph);
