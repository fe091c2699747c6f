#include "views/app_icon.hpp"

#include <QPainter>

#include "views/gauge_glyph.hpp"
#include "views/painted_icon.hpp"

namespace {

// Proportions of the 100-unit tile, shared with the SVG.
constexpr double tileInset = 4;
constexpr double tileRadius = 20;
constexpr double gaugeInset = 10;

}  // namespace

void drawAppIcon(QPainter& painter, const QRectF& square) {
  const double unit = square.width() / 100;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(0, 0, 0, 31), unit));
  painter.setBrush(QColor(0xF7, 0xF8, 0xFC));
  const QRectF tile =
      square.adjusted(tileInset * unit, tileInset * unit, -tileInset * unit, -tileInset * unit);
  painter.drawRoundedRect(tile, tileRadius * unit, tileRadius * unit);
  painter.restore();
  drawGaugeGlyph(
      &painter, square.adjusted(gaugeInset * unit, gaugeInset * unit, -gaugeInset * unit, -gaugeInset * unit),
      GaugeLook{appIconValue, 1, Tone::normal, Appearance::light});
}

QIcon appIcon() {
  return paintedIcon(drawAppIcon, 128);
}

QImage renderAppIcon(int pixels) {
  return paintedImage(drawAppIcon, pixels);
}
