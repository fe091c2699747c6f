#include <cmath>
#include <numbers>

#include <gtest/gtest.h>
#include <QPainter>

#include "views/app_icon.hpp"
#include "views/gauge_glyph.hpp"
#include "views/panel_colours.hpp"

namespace {

constexpr int px = 44;  // two pixels per grid unit
constexpr double pi = std::numbers::pi;

// The pixel under a point of the 22-unit grid.
QColor at(const QImage& image, double gx, double gy) {
  return image.pixelColor(int(gx * 2), int(gy * 2));
}

// A point on the arc's centre line at angle `a` (y down, π left, 1.5π top).
QColor onArc(const QImage& image, double a) {
  return at(image, 11 + 8.2 * std::cos(a), 14.6 + 8.2 * std::sin(a));
}

QColor rgba(QColor c, double alpha) {
  c.setAlphaF(float(alpha));
  return c;
}

// Antialiasing and premultiplication blur the last bit or two.
::testing::AssertionResult near(const QColor& got, const QColor& want) {
  const int tol = 3;
  if (std::abs(got.alpha() - want.alpha()) > tol) {
    return ::testing::AssertionFailure() << "alpha " << got.alpha() << " want " << want.alpha();
  }
  if (want.alpha() > 0 &&
      (std::abs(got.red() - want.red()) > tol || std::abs(got.green() - want.green()) > tol ||
       std::abs(got.blue() - want.blue()) > tol)) {
    return ::testing::AssertionFailure()
           << "rgb " << got.name().toStdString() << " want " << want.name().toStdString();
  }
  return ::testing::AssertionSuccess();
}

const QColor blue(0x3B, 0x6E, 0xF0);
const QColor black(Qt::black);
const QColor nothing(0, 0, 0, 0);

QImage glyph(double value, double alpha = 1, Tone tone = Tone::normal) {
  return renderGlyph(GaugeSpec{value, alpha, tone, Appearance::light}, px);
}

// Where the needle's tip region and its left resting place lie.
constexpr double leftX = 7, upY = 10, rightX = 15;

}  // namespace

TEST(GaugeGlyph, ValueZeroDrawsOnlyTrackNeedleLeftAndHub) {
  for (double value : {0.0, -0.5, 0.0003, std::nan("")}) {
    SCOPED_TRACE(value);
    const QImage image = glyph(value, 1, Tone::orange);
    for (double a : {pi + 0.05, 1.1 * pi, 1.5 * pi, 1.9 * pi})
      EXPECT_TRUE(near(onArc(image, a), rgba(black, 0.28)));
    EXPECT_TRUE(near(at(image, leftX, 14.6), black));
    EXPECT_TRUE(near(at(image, 11, upY), nothing));
    EXPECT_TRUE(near(at(image, 11, 14.6), black));
  }
}

TEST(GaugeGlyph, ArcAndNeedleFollowTheValue) {
  struct Case {
    const char* name;
    double value;
    double arcEnd;  // angle where the accent stops
    double tipX, tipY;
  } cases[] = {
      {"half: up", 0.5, 1.5 * pi, 11, upY},
      {"full: right", 1, 2 * pi, rightX, 14.6},
      {"quarter", 0.25, 1.25 * pi, 11 - 2.8, 14.6 - 2.8},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QImage image = glyph(c.value);
    EXPECT_TRUE(near(onArc(image, pi + 0.15), blue));
    EXPECT_TRUE(near(onArc(image, c.arcEnd - 0.2), blue));
    if (c.arcEnd < 2 * pi) {
      EXPECT_TRUE(near(onArc(image, c.arcEnd + 0.35), rgba(black, 0.28)));
    }
    EXPECT_TRUE(near(at(image, c.tipX, c.tipY), black));
    EXPECT_TRUE(near(at(image, leftX, 14.6), nothing)) << "needle left behind at rest";
  }
}

TEST(GaugeGlyph, ValuesAboveOneDrawLikeOne) {
  EXPECT_EQ(glyph(1.7), glyph(1));
  EXPECT_EQ(glyph(1e300), glyph(1));
  EXPECT_NE(glyph(0.99), glyph(1));
}

TEST(GaugeGlyph, DimGlyphIsAllLabelAtReducedOpacity) {
  const QImage image = glyph(0.5, 0.45, Tone::dim);
  // Each part carries the opacity on its own, so the arc over the track
  // compounds both.
  const double arcOverTrack = 1 - (1 - 0.45) * (1 - 0.28 * 0.45);
  EXPECT_TRUE(near(at(image, 11, 16), rgba(black, 0.45)));
  EXPECT_TRUE(near(onArc(image, 1.25 * pi), rgba(black, arcOverTrack)));
  EXPECT_TRUE(near(onArc(image, 1.85 * pi), rgba(black, 0.28 * 0.45)));
  EXPECT_TRUE(near(at(image, 11, upY), rgba(black, 0.45)));
}

TEST(GaugeGlyph, AccentFollowsToneAndAppearance) {
  struct Case {
    const char* name;
    Tone tone;
    Appearance appearance;
    QColor accent, label;
  } cases[] = {
      {"normal light", Tone::normal, Appearance::light, blue, black},
      {"normal dark keeps its blue", Tone::normal, Appearance::dark, blue, Qt::white},
      {"orange light", Tone::orange, Appearance::light, QColor(0xFF, 0x95, 0x00), black},
      {"orange dark", Tone::orange, Appearance::dark, QColor(0xFF, 0x9F, 0x0A), Qt::white},
      {"red light", Tone::red, Appearance::light, QColor(0xFF, 0x3B, 0x30), black},
      {"red dark", Tone::red, Appearance::dark, QColor(0xFF, 0x45, 0x3A), Qt::white},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QImage image = renderGlyph(GaugeSpec{1, 1, c.tone, c.appearance}, px);
    EXPECT_TRUE(near(onArc(image, 1.3 * pi), c.accent));
    EXPECT_TRUE(near(at(image, 11, 14.6), c.label));
  }
}

TEST(GaugeGlyph, IconDrawsCrisplyAtAnyScale) {
  const QIcon icon = gaugeGlyph(0.5, 1, Tone::red, 18, Appearance::light);
  EXPECT_FALSE(icon.isNull());
  const QPixmap hidpi = icon.pixmap(QSize(18, 18), 2.0);
  EXPECT_EQ(hidpi.size(), QSize(36, 36));
  EXPECT_EQ(hidpi.devicePixelRatio(), 2.0);
  EXPECT_EQ(hidpi.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
            renderGlyph(GaugeSpec{0.5, 1, Tone::red, Appearance::light}, 36));
  EXPECT_EQ(icon.pixmap(QSize(36, 36)).size(), QSize(36, 36));
}

TEST(GaugeGlyph, NoPainterNoDrawing) {
  EXPECT_FALSE(drawGaugeGlyph(nullptr, QRectF(0, 0, 18, 18), GaugeSpec{}));
  QPainter idle;
  EXPECT_FALSE(drawGaugeGlyph(&idle, QRectF(0, 0, 18, 18), GaugeSpec{}));
}

TEST(ApplicationIcon, GaugeOnALightTile) {
  const QImage image = renderAppIcon(100);
  EXPECT_EQ(image.pixelColor(1, 1).alpha(), 0) << "corners stay outside the rounded tile";
  EXPECT_EQ(image.pixelColor(50, 90), QColor(0xF7, 0xF8, 0xFC));
  // The glyph's grid maps to 10 … 90 here: a point on the filled arc is blue.
  const double unit = 80.0 / 22;
  const double a = 1.3 * pi;
  EXPECT_TRUE(near(image.pixelColor(int(10 + unit * (11 + 8.2 * std::cos(a))),
                                    int(10 + unit * (14.6 + 8.2 * std::sin(a)))),
                   blue));
  EXPECT_EQ(appIcon().pixmap(QSize(64, 64), 2.0).size(), QSize(128, 128));
}
