#pragma once
// The colours the panel, the glyph and the status title draw with, resolved
// for one appearance.

#include <QColor>
#include <QPalette>

#include "display/shown.hpp"
#include "views/appearance.hpp"

struct PanelColours {
  QColor label;
  QColor secondary;
  QColor tertiary;  // the status title while the numbers are greyed
  QColor orange;
  QColor red;
  QColor barBlue;
  QColor window;  // the menu background behind the panel
};

// The warning tones, as text at least 4.5:1 (and so as bars and arcs well
// over 3:1) on the menu's and the window's colour of the same scheme.
QColor systemOrange(Appearance appearance);
QColor systemRed(Appearance appearance);
QColor barBlue(Appearance appearance);
// Lines between menu rows: quiet, yet at least 1.5:1 against the menu and
// the window of the palette's scheme.
QColor separatorColour(const QPalette& palette);

// Text colours come from the menu's palette; orange, red and blue follow the
// appearance, which the palette alone cannot tell on every desktop.
PanelColours panelColours(const QPalette& menu, Appearance appearance);

// A complete light or dark menu palette, for renderings and for an app whose
// Qt palette disagrees with the desktop's choice.
QPalette standardMenuPalette(Appearance appearance);

QColor inkColor(Ink ink, const PanelColours& colours);
