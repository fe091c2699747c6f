#include "tray/tray_glyph.hpp"

#include <algorithm>
#include <cmath>

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QTransform>

#include "views/painted_icon.hpp"
#include "views/panel_colours.hpp"

namespace {

// Drawn on a 22-unit grid. Every mark keeps about two units (1.5 pixels at
// 16 px) inside the plate's edge, so what lies directly around a mark is
// always the plate and never the panel behind the icon.
constexpr double grid = 22;
constexpr double plateRadius = 4;
constexpr double numberLeft = 2.6, numberRight = 19.4;
constexpr double numberBaseline = 19.3;
constexpr double numberCapHeight = 9.4;
constexpr double dashWidth = 8, dashThickness = 2.6;

struct Arc {
  double centreX, centreY, radius, width;
};
// With a number the arc spans the top and the number sits in its bowl;
// without one the arc alone fills the middle, a little heavier.
constexpr Arc numberArc{11, 11, 7.6, 2.6};
constexpr Arc bareArc{11, 14.6, 7.3, 3.2};

// The plate takes the scheme's menu colour; the inks are the panel's tones,
// at least 4.5:1 against it, the dim grey for well over 3:1 yet plainly duller than the
// live ink, and the track for a visible but clearly weaker mark than the arc.
struct Inks {
  QColor plate, ink, arc, track;
};

// Three digits are the limit reached or passed.
bool atLimit(const TrayGlyph& glyph) {
  return glyph.number.size() >= 3 &&
         std::all_of(glyph.number.begin(), glyph.number.end(), [](char c) { return c >= '0' && c <= '9'; });
}

Inks inksFor(const TrayGlyph& glyph) {
  const bool dark = glyph.appearance == Appearance::dark;
  Inks k;
  k.plate = dark ? QColor(0x1C, 0x1C, 0x1E) : QColor(0xF7, 0xF7, 0xF8);
  k.track = dark ? QColor(255, 255, 255, 72) : QColor(0, 0, 0, 77);
  switch (glyph.tone) {
    case Tone::orange:
      k.ink = k.arc = systemOrange(glyph.appearance);
      break;
    case Tone::red:
      k.ink = k.arc = systemRed(glyph.appearance);
      break;
    case Tone::dim:
      k.ink = dark ? QColor(0x8E, 0x8E, 0x93) : QColor(0x6E, 0x6E, 0x73);
      k.arc = k.ink;
      break;
    case Tone::normal:
      k.ink = dark ? QColor(Qt::white) : QColor(0x1D, 0x1D, 0x1F);
      k.arc = barBlue(glyph.appearance);
      break;
  }
  // At the limit the icon turns over: the plate takes the tone and every
  // mark the plate's colour, which keeps each pair's contrast and reads as
  // an alarm at any size, whatever the number still shows.
  if (atLimit(glyph)) {
    std::swap(k.plate, k.ink);
    k.arc = k.track = k.ink;
  }
  return k;
}

QPainterPath topArc(const Arc& a, double share) {
  const QRectF box(a.centreX - a.radius, a.centreY - a.radius, 2 * a.radius, 2 * a.radius);
  QPainterPath path;
  path.arcMoveTo(box, 180);
  path.arcTo(box, 180, -180 * std::clamp(share, 0.0, 1.0));
  return path;
}

// Narrower than this, digits start to look like other digits; a number
// that would need more is made smaller instead.
constexpr double leastSqueeze = 0.72;
// A digit needs about six pixels of width to stay a digit: what each of two
// digits gets on a 16 px icon. Where a number cannot have that, the icon
// shows the limit's mark at the limit and the gauge alone below it: "!"
// means the limit and nothing else.
constexpr double leastDigitPixels = 6;
constexpr double markWidth = 2.6, markTop = 8.8;

// Hosts that pick no size of their own (Waybar) take the largest pixmap and
// shrink it to their icon, 16 px by default, so the largest is judged at the
// smallest size.
bool digitsFit(const std::string& number, int pixels) {
  const int shown = pixels >= std::end(trayIconSizes)[-1] ? trayIconSizes[0] : pixels;
  return (numberRight - numberLeft) * shown / grid >= leastDigitPixels * double(number.size());
}

// An exclamation mark of two bars, whole pixels wide so it stays crisp: a
// font's is a thin stroke at these sizes.
QPainterPath limitMark(int pixels, double baseline) {
  const double scale = pixels / grid;
  const double w = std::max(2.0, std::round(markWidth * scale)), gap = std::max(1.0, std::round(w / 2));
  const double left = std::round((pixels - w) / 2), top = std::round(markTop * scale);
  QPainterPath path;
  path.addRoundedRect(QRectF(left, top, w, baseline - w - gap - top), w / 4, w / 4);
  path.addRoundedRect(QRectF(left, baseline - w, w, w), w / 4, w / 4);
  return path;
}

// The number, the dash or the limit's mark as one filled outline in pixels:
// bold digits at the bowl's height, squeezed sideways (three digits) and then
// shrunk until they fit between the plate's margins. The dash is a bar of its
// own: a font's en dash is a hairline at 16 px.
QPainterPath numberPath(const std::string& number, int pixels) {
  const double scale = pixels / grid;
  // Whole pixels for the baseline keep the digits' feet crisp.
  const double baseline = std::round(numberBaseline * scale);
  QPainterPath path;
  if (number == "\u2013") {
    const double w = dashWidth * scale, h = std::max(2.0, std::round(dashThickness * scale));
    const double y = std::round(baseline - numberCapHeight * scale / 2 - h / 2);
    path.addRoundedRect(QRectF((pixels - w) / 2, y, w, h), h / 4, h / 4);
    return path;
  }
  if (!digitsFit(number, pixels)) return limitMark(pixels, baseline);  // only reached at the limit
  QFont font;
  font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Sans"), QStringLiteral("Sans")});
  font.setWeight(QFont::Bold);
  font.setPixelSize(100);
  QPainterPath text;
  text.addText(QPointF(0, 0), font, QString::fromStdString(number));
  const QRectF ink = text.boundingRect();
  if (ink.isEmpty()) return path;
  // Digits stand on the baseline, so their ink's top is their height.
  double sy = numberCapHeight * scale / (ink.top() < 0 ? -ink.top() : ink.height());
  double sx = sy;
  const double room = (numberRight - numberLeft) * scale;
  if (ink.width() * sx > room) sx = std::max(room / ink.width(), leastSqueeze * sy);
  if (ink.width() * sx > room) {
    const double shrink = room / (ink.width() * sx);
    sx *= shrink;
    sy *= shrink;
  }
  QTransform place;
  place.translate(std::round((pixels - ink.width() * sx) / 2) - ink.left() * sx, baseline);
  place.scale(sx, sy);
  return place.map(text);
}

// How much of the gauge the number clears around itself: a little more than
// the ring a reader's eye takes in around a stroke (one pixel on small
// icons, two from 32 px) plus its soft edge, so where the digits would meet
// the arc's ends the arc gives way.
double clearance(int pixels) {
  return pixels >= 32 ? 3.25 : 2.25;
}

void drawGauge(QPainter& painter, const TrayGlyph& glyph, const Inks& inks, double scale,
               TrayGlyphPart part) {
  const Arc& arc = glyph.withNumber ? numberArc : bareArc;
  painter.save();
  painter.scale(scale, scale);
  QPen pen(inks.track, arc.width);
  pen.setCapStyle(Qt::RoundCap);
  if (part == TrayGlyphPart::all || part == TrayGlyphPart::track) {
    painter.setPen(pen);
    painter.drawPath(topArc(arc, 1));
  }
  if ((part == TrayGlyphPart::all || part == TrayGlyphPart::arc) && glyph.value > 0) {
    pen.setColor(inks.arc);
    painter.setPen(pen);
    painter.drawPath(topArc(arc, atLimit(glyph) ? 1 : glyph.value));
  }
  painter.restore();
}

}  // namespace

TrayGlyph trayGlyphFor(const Glance& glance, Appearance appearance) {
  TrayGlyph glyph;
  glyph.appearance = appearance;
  glyph.tone = glance.tone;
  glyph.value = glance.gauge.value_or(0);
  std::string digits = glance.headline;
  if (!glance.gauge)
    digits = "\u2013";
  else if (digits.ends_with('%'))
    digits.pop_back();
  glyph.number = digits;
  return glyph;
}

QImage renderTrayGlyph(const TrayGlyph& asked, int pixels, TrayGlyphPart part) {
  const int side = std::max(pixels, 1);
  const double scale = side / grid;
  TrayGlyph glyph = asked;
  if (glyph.number != "\u2013" && !digitsFit(glyph.number, side) && !atLimit(glyph)) glyph.withNumber = false;
  const Inks inks = inksFor(glyph);
  const QPainterPath number = glyph.withNumber ? numberPath(glyph.number, side) : QPainterPath();

  // The gauge on a layer of its own, so the number's clearance can be cut
  // out of it without cutting the plate.
  QImage gauge(side, side, QImage::Format_ARGB32_Premultiplied);
  gauge.fill(Qt::transparent);
  {
    QPainter painter(&gauge);
    painter.setRenderHint(QPainter::Antialiasing);
    drawGauge(painter, glyph, inks, scale, part);
    if (!number.isEmpty()) {
      painter.setCompositionMode(QPainter::CompositionMode_DestinationOut);
      QPen cut(Qt::black, 2 * clearance(side));
      cut.setJoinStyle(Qt::RoundJoin);
      painter.strokePath(number, cut);
      painter.fillPath(number, Qt::black);
    }
  }

  QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  if (part == TrayGlyphPart::all || part == TrayGlyphPart::plate) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(inks.plate);
    painter.drawRoundedRect(QRectF(0, 0, side, side), plateRadius * scale, plateRadius * scale);
  }
  painter.drawImage(0, 0, gauge);
  if (part == TrayGlyphPart::all || part == TrayGlyphPart::ink) painter.fillPath(number, inks.ink);
  return image;
}

QIcon trayGlyph(const TrayGlyph& glyph) {
  return paintedIcon(
      [glyph](QPainter& painter, const QRectF& square) {
        const int pixels = int(std::lround(square.width() * painter.device()->devicePixelRatioF()));
        QImage image = renderTrayGlyph(glyph, pixels);
        image.setDevicePixelRatio(double(pixels) / std::max(square.width(), 1.0));
        painter.drawImage(square.topLeft(), image);
      },
      trayIconSizes);
}
