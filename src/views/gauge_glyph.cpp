#include "views/gauge_glyph.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <QPainter>
#include <QPainterPath>

#include "views/painted_icon.hpp"
#include "views/panel_colours.hpp"

namespace {

constexpr double grid = 22;
constexpr double centreX = 11;
constexpr double centreY = 14.6;
constexpr double radius = 8.2;
constexpr double arcWidth = 2.3;
constexpr double needleLength = 5.6;
constexpr double needleWidth = 2.1;
constexpr double hubDiameter = 4.6;
constexpr double trackOpacity = 0.28;
constexpr double pi = std::numbers::pi;

QColor accentColour(Tone tone, Appearance a) {
  switch (tone) {
    case Tone::normal:
      return QColor(0x3B, 0x6E, 0xF0);
    case Tone::orange:
      return systemOrange(a);
    case Tone::red:
      return systemRed(a);
    case Tone::dim:
      return glyphInk(a);
  }
  return glyphInk(a);
}

QColor withOpacity(QColor c, double opacity) {
  c.setAlphaF(float(std::clamp(opacity, 0.0, 1.0)));
  return c;
}

// Angles run from +x towards +y with y pointing down, so π is the left end
// and 2π the right end, passing over the top.
double needleAngle(double value) {
  if (!(value > 0)) return pi;
  return (std::min(value, 1.0) * 180 + 180) * pi / 180;
}

QPen roundPen(const QColor& colour, double width) {
  QPen pen(colour, width);
  pen.setCapStyle(Qt::RoundCap);
  return pen;
}

// Qt's arcs count degrees counter-clockwise with y up; our angles turn the
// other way on screen, hence the negated sweep.
QPainterPath arcPath(double from, double to) {
  const QRectF box(centreX - radius, centreY - radius, 2 * radius, 2 * radius);
  QPainterPath path;
  path.arcMoveTo(box, -from * 180 / pi);
  path.arcTo(box, -from * 180 / pi, -(to - from) * 180 / pi);
  return path;
}

}  // namespace

QColor glyphInk(Appearance a) {
  return a == Appearance::dark ? QColor(Qt::white) : QColor(Qt::black);
}

bool drawGaugeGlyph(QPainter* painter, const QRectF& rect, const GaugeLook& glyph) {
  if (!painter || !painter->isActive()) return false;
  const double alpha = std::isnan(glyph.alpha) ? 0.0 : glyph.alpha;
  const double theta = needleAngle(glyph.value);
  const QColor label = glyphInk(glyph.appearance);

  painter->save();
  painter->setRenderHint(QPainter::Antialiasing);
  painter->translate(rect.topLeft());
  painter->scale(rect.width() / grid, rect.width() / grid);
  painter->setBrush(Qt::NoBrush);

  painter->setPen(roundPen(withOpacity(label, trackOpacity * alpha), arcWidth));
  painter->drawPath(arcPath(pi, 2 * pi));

  if (theta > pi + 0.001) {
    painter->setPen(roundPen(withOpacity(accentColour(glyph.tone, glyph.appearance), alpha), arcWidth));
    painter->drawPath(arcPath(pi, theta));
  }

  const QPointF centre(centreX, centreY);
  painter->setPen(roundPen(withOpacity(label, alpha), needleWidth));
  painter->drawLine(
      centre, QPointF(centreX + needleLength * std::cos(theta), centreY + needleLength * std::sin(theta)));

  painter->setPen(Qt::NoPen);
  painter->setBrush(withOpacity(label, alpha));
  painter->drawEllipse(
      QRectF(centreX - hubDiameter / 2, centreY - hubDiameter / 2, hubDiameter, hubDiameter));

  painter->restore();
  return true;
}

QIcon gaugeGlyph(double value, double alpha, Tone tone, double side, Appearance appearance) {
  const GaugeLook glyph{value, alpha, tone, appearance};
  return paintedIcon(
      [glyph](QPainter& painter, const QRectF& square) { drawGaugeGlyph(&painter, square, glyph); }, side);
}

QImage renderGlyph(const GaugeLook& glyph, int pixels) {
  return paintedImage(
      [&glyph](QPainter& painter, const QRectF& square) { drawGaugeGlyph(&painter, square, glyph); }, pixels);
}
