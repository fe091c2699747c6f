#include "views/gauge_glyph.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

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

// The menu bar's text colour; the glyph is never tinted by the host, so it
// carries its own light or dark ink.
QColor labelColour(Appearance a) {
  return a == Appearance::dark ? QColor(Qt::white) : QColor(Qt::black);
}

QColor accentColour(Tone tone, Appearance a) {
  switch (tone) {
    case Tone::normal:
      return QColor(0x3B, 0x6E, 0xF0);
    case Tone::orange:
      return systemOrange(a);
    case Tone::red:
      return systemRed(a);
    case Tone::dim:
      return labelColour(a);
  }
  return labelColour(a);
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

class GaugeEngine : public QIconEngine {
 public:
  GaugeEngine(GaugeSpec spec, double side) : spec_(spec), side_(side) {}

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
    drawGaugeGlyph(painter, squareIn(rect), spec_);
  }

  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    return scaledPixmap(size, mode, state, 1.0);
  }

  // Qt hands over the size in device pixels already multiplied by `scale`.
  QPixmap scaledPixmap(const QSize& size, QIcon::Mode, QIcon::State, qreal scale) override {
    const int side = std::max(1, std::min(size.width(), size.height()));
    QPixmap pm = QPixmap::fromImage(renderGlyph(spec_, side));
    pm.setDevicePixelRatio(scale);
    return pm;
  }

  QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
    const int side = std::min(size.width(), size.height());
    return QSize(side, side);
  }

  QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
    const int side = int(std::lround(side_));
    return {QSize(side, side)};
  }

  QString key() const override { return QStringLiteral("quotalume-gauge"); }
  QIconEngine* clone() const override { return new GaugeEngine(*this); }

 private:
  static QRectF squareIn(const QRect& rect) {
    const double side = std::min(rect.width(), rect.height());
    return QRectF(rect.x() + (rect.width() - side) / 2, rect.y() + (rect.height() - side) / 2, side, side);
  }

  GaugeSpec spec_;
  double side_;
};

}  // namespace

bool drawGaugeGlyph(QPainter* painter, const QRectF& rect, const GaugeSpec& spec) {
  if (!painter || !painter->isActive()) return false;
  const double alpha = std::isnan(spec.alpha) ? 0.0 : spec.alpha;
  const double theta = needleAngle(spec.value);
  const QColor label = labelColour(spec.appearance);

  painter->save();
  painter->setRenderHint(QPainter::Antialiasing);
  painter->translate(rect.topLeft());
  painter->scale(rect.width() / grid, rect.width() / grid);
  painter->setBrush(Qt::NoBrush);

  painter->setPen(roundPen(withOpacity(label, trackOpacity * alpha), arcWidth));
  painter->drawPath(arcPath(pi, 2 * pi));

  if (theta > pi + 0.001) {
    painter->setPen(roundPen(withOpacity(accentColour(spec.tone, spec.appearance), alpha), arcWidth));
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
  return QIcon(new GaugeEngine(GaugeSpec{value, alpha, tone, appearance}, side));
}

QImage renderGlyph(const GaugeSpec& spec, int pixels) {
  QImage image(std::max(pixels, 1), std::max(pixels, 1), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  drawGaugeGlyph(&painter, QRectF(0, 0, image.width(), image.height()), spec);
  return image;
}
