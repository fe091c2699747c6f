#pragma once
// The status bar's gauge: a half-circle track, an arc filled to the session
// share, a needle and a hub, designed on a 22-unit grid.

#include <QIcon>
#include <QImage>
#include <QRectF>

#include "display/shown.hpp"
#include "views/appearance.hpp"

class QPainter;

struct GaugeLook {
  double value = 0;  // 0 … 1; above 1 draws as 1, 0 or below as empty
  double alpha = 1;
  Tone tone = Tone::normal;
  Appearance appearance = Appearance::light;
};

// The panel's text colour; tray hosts never tint the glyphs, so they
// carry their own light or dark ink.
QColor glyphInk(Appearance appearance);

// Draws into `rect` of `painter`; false, drawing nothing, without a painter
// that is active.
bool drawGaugeGlyph(QPainter* painter, const QRectF& rect, const GaugeLook& glyph);

// An icon that draws itself at whatever size and pixel ratio it is asked
// for; `side` is its natural size in device-independent pixels.
QIcon gaugeGlyph(double value, double alpha, Tone tone = Tone::normal, double side = 18,
                 Appearance appearance = currentAppearance());

// The glyph on a transparent square of `pixels` × `pixels`.
QImage renderGlyph(const GaugeLook& glyph, int pixels);
