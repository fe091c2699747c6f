// The gauge rendered at 44 px, two pixels per unit of its 22-unit grid.
#include <cmath>
#include <numbers>
#include <tuple>

#include <gtest/gtest.h>

#include "views/gauge_glyph.hpp"

namespace {

constexpr double pi = std::numbers::pi, hubY = 14.6;
const QColor black(Qt::black), nothing(0, 0, 0, 0);

QImage glyph(double value, Tone tone = Tone::normal, Appearance look = Appearance::light) {
  return renderGlyph(GaugeLook{value, 1, tone, look}, 44);
}

const auto at = [](const QImage& i, double x, double y) { return i.pixelColor(int(x * 2), int(y * 2)); };
// On the arc's centre line at angle `a` (y down: π left, 1.5π top).
const auto onArc = [](const QImage& i, double a) {
  return at(i, 11 + 8.2 * std::cos(a), hubY + 8.2 * std::sin(a));
};
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

TEST(GaugeGlyph, ArcAndNeedleFollowTheValueToneAndAppearance) {
  // The value, the arc's end, the needle's tip, the tone, the appearance, the arc's and the label's inks.
  const std::tuple<double, double, double, double, Tone, Appearance, QColor, QColor> cases[] = {
      // Nothing to show: the bare track, the needle at rest on the left.
      {0, pi, 7, hubY, Tone::orange, Appearance::light, {}, black},
      {-0.5, pi, 7, hubY, Tone::orange, Appearance::light, {}, black},
      {std::nan(""), pi, 7, hubY, Tone::orange, Appearance::light, {}, black},
      {0.5, 1.5 * pi, 11, 10, Tone::normal, Appearance::dark, QColor(0x3B, 0x6E, 0xF0), Qt::white},
      {1, 2 * pi, 15, hubY, Tone::red, Appearance::light, QColor(0xC4, 0x28, 0x1C), black},
  };
  for (const auto& [value, arcEnd, tipX, tipY, tone, look, accent, label] : cases) {
    SCOPED_TRACE(value);
    const QImage image = glyph(value, tone, look);
    if (accent.isValid()) {
      EXPECT_TRUE(near(onArc(image, pi + 0.15), accent));
      EXPECT_TRUE(near(onArc(image, arcEnd - 0.2), accent));
    }
    // Past the end: the bare track, or nothing beyond a full arc.
    EXPECT_TRUE(near(onArc(image, arcEnd + 0.35), arcEnd < 2 * pi ? rgba(label, 0.28) : nothing));
    EXPECT_TRUE(near(at(image, tipX, tipY), label));
    EXPECT_TRUE(near(at(image, 7, hubY), value > 0 ? nothing : label)) << "the needle at rest";
    EXPECT_TRUE(near(at(image, 11, hubY), label)) << "the hub";
  }
  EXPECT_EQ(glyph(1.7), glyph(1));
  EXPECT_NE(glyph(0.99), glyph(1));
}
