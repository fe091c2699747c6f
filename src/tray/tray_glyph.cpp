#include "tray/tray_glyph.hpp"

#include <algorithm>
#include <cmath>

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "views/gauge_glyph.hpp"
#include "views/panel_colours.hpp"

namespace {

// Drawn on a 22-unit grid like the status glyph: the arc across the top, the
// number in the bowl beneath it.
constexpr double grid = 22;
constexpr double centreX = 11;
constexpr double centreY = 11.5;
constexpr double radius = 9.3;
constexpr double arcWidth = 2.6;
constexpr double trackOpacity = 0.3;
constexpr double dimOpacity = 0.45;
constexpr double numberTop = 8.2;
constexpr double numberHeight = 13.6;
constexpr double numberWidth = 21;

QColor toneColour(Tone tone, Appearance a) {
  switch (tone) {
    case Tone::orange:
      return systemOrange(a);
    case Tone::red:
      return systemRed(a);
    case Tone::normal:
    case Tone::dim:
      break;
  }
  return glyphInk(a);
}

QColor arcColour(Tone tone, Appearance a) {
  return tone == Tone::normal ? barBlue(a) : toneColour(tone, a);
}

QColor faded(QColor c, double opacity) {
  c.setAlphaF(float(c.alphaF() * std::clamp(opacity, 0.0, 1.0)));
  return c;
}

QPainterPath topArc(double share) {
  const QRectF box(centreX - radius, centreY - radius, 2 * radius, 2 * radius);
  QPainterPath path;
  path.arcMoveTo(box, 180);
  path.arcTo(box, 180, -180 * std::clamp(share, 0.0, 1.0));
  return path;
}

// The largest bold font whose digits fit the bowl; three digits get a
// narrower cut rather than running into the arc.
QFont numberFont(const QString& text, double scale) {
  QFont font;
  font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Sans"), QStringLiteral("Sans")});
  font.setWeight(QFont::Bold);
  font.setStyleStrategy(QFont::PreferAntialias);
  double pixels = numberHeight * scale;
  for (int i = 0; i < 24; ++i) {
    font.setPixelSize(std::max(1, int(std::floor(pixels))));
    const QFontMetricsF metrics(font);
    if (metrics.horizontalAdvance(text) <= numberWidth * scale &&
        metrics.capHeight() <= 0.8 * numberHeight * scale)
      break;
    if (font.stretch() > QFont::SemiCondensed) {
      font.setStretch(QFont::SemiCondensed);
      continue;
    }
    pixels *= 0.92;
  }
  return font;
}

void drawTrayGlyph(QPainter& painter, int pixels, const TrayGlyphSpec& glyph) {
  const double scale = pixels / grid;
  const QColor label = glyphInk(glyph.appearance);

  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  painter.scale(scale, scale);
  QPen pen(faded(label, trackOpacity), arcWidth);
  pen.setCapStyle(Qt::RoundCap);
  painter.setPen(pen);
  painter.drawPath(topArc(1));
  if (glyph.value > 0) {
    pen.setColor(arcColour(glyph.tone, glyph.appearance));
    painter.setPen(pen);
    painter.drawPath(topArc(glyph.value));
  }
  painter.restore();

  const QString text = QString::fromStdString(glyph.number);
  const QFont font = numberFont(text, scale);
  painter.setFont(font);
  painter.setPen(toneColour(glyph.tone, glyph.appearance));
  // Centred on the digits' cap height, not the font's line box, so the
  // number sits in the bowl whatever the font's ascent and descent are.
  const QFontMetricsF metrics(font);
  const double baseline = (numberTop + numberHeight / 2) * scale + metrics.capHeight() / 2;
  const double x = (pixels - metrics.horizontalAdvance(text)) / 2;
  painter.drawText(QPointF(x, baseline), text);
}

}  // namespace

TrayGlyphSpec trayGlyphSpec(const Shown& shown, Appearance appearance) {
  TrayGlyphSpec glyph;
  glyph.appearance = appearance;
  glyph.tone = shown.tone;
  glyph.value = shown.gauge.value_or(0);
  std::string digits = shown.headline;
  if (!shown.gauge)
    digits = "\u2013";
  else if (digits.ends_with('%'))
    digits.pop_back();
  glyph.number = digits;
  return glyph;
}

QImage renderTrayGlyph(const TrayGlyphSpec& glyph, int pixels) {
  const int side = std::max(pixels, 1);
  QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  if (glyph.tone != Tone::dim) {
    drawTrayGlyph(painter, side, glyph);
    return image;
  }
  // Greyed as one picture, so where the digits cross the arc they do not
  // add up to a darker spot.
  QImage solid(side, side, QImage::Format_ARGB32_Premultiplied);
  solid.fill(Qt::transparent);
  {
    QPainter layer(&solid);
    drawTrayGlyph(layer, side, glyph);
  }
  painter.setOpacity(dimOpacity);
  painter.drawImage(0, 0, solid);
  return image;
}

QIcon trayGlyph(const TrayGlyphSpec& glyph) {
  QIcon icon;
  for (int side : trayIconSizes) icon.addPixmap(QPixmap::fromImage(renderTrayGlyph(glyph, side)));
  return icon;
}
