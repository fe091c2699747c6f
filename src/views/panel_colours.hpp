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

QColor systemOrange(Appearance appearance);
QColor systemRed(Appearance appearance);
QColor barBlue(Appearance appearance);

// Text colours come from the menu's palette; orange, red and blue follow the
// appearance, which the palette alone cannot tell on every desktop.
PanelColours panelColours(const QPalette& menu, Appearance appearance);

// A complete light or dark menu palette, for renderings and for an app whose
// Qt palette disagrees with the desktop's choice.
QPalette standardMenuPalette(Appearance appearance);

QColor inkColor(Ink ink, const PanelColours& colours);
