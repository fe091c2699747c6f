#pragma once
// The info panel's geometry: one routine that measures the panel and, given a
// painter and a width, draws it, so measuring and drawing always agree.

#include <optional>

#include <QSizeF>

#include "display/shown.hpp"
#include "fonts/panel_fonts.hpp"
#include "views/panel_colours.hpp"

class QPainter;

struct PanelLook {
  PanelFonts fonts;
  PanelColours colours;
};

namespace InfoLayout {

inline constexpr double minWidth = 240;
inline constexpr double right = 14;
inline constexpr double top = 3;
inline constexpr double bottom = 6;
inline constexpr double barHeight = 4;
inline constexpr double gapLineBar = 4;
inline constexpr double gapBarReset = 3;
inline constexpr double gapBlocks = 10;
inline constexpr double gapStatus = 8;
inline constexpr double gapFooter = 2;
inline constexpr double nameToPct = 24;

// The pace mark: a thin tick reaching this far above and below the bar,
// inside the gaps to the name line and the reset line.
inline constexpr double paceTickWidth = 1.5;
inline constexpr double paceTickOverhang = 2;

// Bars below this share show only their track.
inline constexpr double minFillFraction = 0.005;

// A column of check marks pushes the content 10 points to the right.
double leftInset(bool checkColumn);

// No status, no windows and no footer: nothing to show.
bool isEmpty(const Shown& shown);

struct Canvas {
  QPainter* painter;
  double width;
};

// The panel's size; draws into `canvas` when one is given.
QSizeF run(const Shown& shown, double inset, const PanelLook& look, std::optional<Canvas> canvas = {});

}  // namespace InfoLayout
