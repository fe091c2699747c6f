// The gauge rendered at 44 px, two pixels per unit of its 22-unit grid.
#include <cmath>
#include <numbers>

#include <gtest/gtest.h>

#include "views/gauge_glyph.hpp"

namespace {

using std::cos, std::sin;
constexpr double pi = std::numbers::pi, hubY = 14.6;
const QColor blue(0x3B, 0x6E, 0xF0), black(Qt::black), white(Qt::white), nothing(0, 0, 0, 0);

QImage glyph(double value, double alpha = 1, Tone tone = Tone::normal, Appearance look = Appearance::light) {
  return renderGlyph(GaugeSpec{value, alpha, tone, look}, 44);
}

const auto at = [](const QImage& i, double x, double y) { return i.pixelColor(int(x * 2), int(y * 2)); };
// On the arc's centre line at angle `a` (y down: π left, 1.5π top).
const auto onArc = [](const QImage& i, double a) { return at(i, 11 + 8.2 * cos(a), hubY + 8.2 * sin(a)); };
const auto rgba = [](QColor c, double a) { return QColor::fromRgbF(c.redF(), c.greenF(), c.blueF(), a); };

// Antialiasing and premultiplication blur the last bit or two.
::testing::AssertionResult near(const QColor& got, const QColor& want) {
  const auto off = [](int a, int b) { return std::abs(a - b) > 3; };
  const bool rgb =
      off(got.red(), want.red()) || off(got.green(), want.green()) || off(got.blue(), want.blue());
  if (!off(got.alpha(), want.alpha()) && (want.alpha() == 0 || !rgb)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << got.name(QColor::HexArgb).toStdString() << " want " << want.name(QColor::HexArgb).toStdString();
}

}  // namespace

TEST(GaugeGlyph, NothingToShowDrawsOnlyTrackNeedleLeftAndHub) {
  for (double value : {0.0, -0.5, std::nan("")}) {
    SCOPED_TRACE(value);
    const QImage image = glyph(value, 1, Tone::orange);
    for (double a : {pi + 0.05, 1.5 * pi, 1.9 * pi}) EXPECT_TRUE(near(onArc(image, a), rgba(black, 0.28)));
    EXPECT_TRUE(near(at(image, 7, hubY), black));
    EXPECT_TRUE(near(at(image, 11, 10), nothing));
    EXPECT_TRUE(near(at(image, 11, hubY), black));
  }
}

TEST(GaugeGlyph, ArcAndNeedleFollowTheValueToneAndAppearance) {
  struct Case {
    double value, arcEnd, tipX, tipY;
    Tone tone;
    Appearance look;
    QColor accent, label;
  } cases[] = {
      {0.5, 1.5 * pi, 11, 10, Tone::normal, Appearance::dark, blue, white},  // blue even when dark
      {1, 2 * pi, 15, hubY, Tone::red, Appearance::light, QColor(0xFF, 0x3B, 0x30), black},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    const QImage image = glyph(c.value, 1, c.tone, c.look);
    EXPECT_TRUE(near(onArc(image, pi + 0.15), c.accent));
    EXPECT_TRUE(near(onArc(image, c.arcEnd - 0.2), c.accent));
    // Past the end: the bare track, or nothing beyond a full arc.
    EXPECT_TRUE(near(onArc(image, c.arcEnd + 0.35), c.value < 1 ? rgba(c.label, 0.28) : nothing));
    EXPECT_TRUE(near(at(image, c.tipX, c.tipY), c.label));
    EXPECT_TRUE(near(at(image, 7, hubY), nothing)) << "needle left behind at rest";
  }
  EXPECT_EQ(glyph(1.7), glyph(1));
  EXPECT_NE(glyph(0.99), glyph(1));
}

TEST(GaugeGlyph, DimGlyphIsAllLabelAtReducedOpacity) {
  const QImage image = glyph(0.5, 0.45, Tone::dim);
  // Each part carries the opacity on its own, so the arc over the track compounds both.
  EXPECT_TRUE(near(onArc(image, 1.25 * pi), rgba(black, 1 - (1 - 0.45) * (1 - 0.28 * 0.45))));
  EXPECT_TRUE(near(onArc(image, 1.85 * pi), rgba(black, 0.28 * 0.45)));
  EXPECT_TRUE(near(at(image, 11, 16), rgba(black, 0.45)));
  EXPECT_TRUE(near(at(image, 11, 10), rgba(black, 0.45)));
}

TEST(GaugeGlyph, IconDrawsCrisplyAtAnyScale) {
  const QPixmap hidpi = gaugeGlyph(0.5, 1, Tone::red, 18, Appearance::light).pixmap(QSize(18, 18), 2.0);
  EXPECT_EQ(hidpi.devicePixelRatio(), 2.0);
  EXPECT_EQ(hidpi.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
            renderGlyph(GaugeSpec{0.5, 1, Tone::red, Appearance::light}, 36));
}
