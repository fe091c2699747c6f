// The tray icon carries the number itself, so it must be there, in the
// tone's colour, at every size a tray host asks for.
#include <gtest/gtest.h>

#include <QColor>

#include "tray/tray_glyph.hpp"
#include "views/panel_colours.hpp"

namespace {

// Counts pixels close to `colour` in the lower half, where the number sits
// under the arc.
int inkInNumberArea(const QImage& image, const QColor& colour) {
  int n = 0;
  for (int y = image.height() / 2; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (c.alpha() > 200 && std::abs(c.red() - colour.red()) < 40 &&
          std::abs(c.green() - colour.green()) < 40 && std::abs(c.blue() - colour.blue()) < 40)
        ++n;
    }
  return n;
}

int maxAlpha(const QImage& image) {
  int most = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) most = std::max(most, image.pixelColor(x, y).alpha());
  return most;
}

TEST(TrayGlyph, NumberFromTheModel) {
  Shown live;
  live.headline = "42%";
  live.gauge = 0.42;
  live.tone = Tone::normal;
  EXPECT_EQ(trayGlyphSpec(live, Appearance::dark).number, "42");
  EXPECT_DOUBLE_EQ(trayGlyphSpec(live, Appearance::dark).value, 0.42);

  Shown none;  // no session window: no gauge, an en dash
  EXPECT_EQ(trayGlyphSpec(none, Appearance::light).number, "\u2013");
  EXPECT_EQ(trayGlyphSpec(none, Appearance::light).value, 0);
  EXPECT_EQ(trayGlyphSpec(none, Appearance::light).tone, Tone::dim);
}

TEST(TrayGlyph, DigitsInTheTonesColourAtEverySize) {
  struct Case {
    const char* name;
    TrayGlyphSpec glyph;
    QColor ink;
  } cases[] = {
      {"normal on dark", {0.42, "42", Tone::normal, Appearance::dark}, Qt::white},
      {"normal on light", {0.42, "42", Tone::normal, Appearance::light}, Qt::black},
      {"orange", {0.76, "76", Tone::orange, Appearance::light}, systemOrange(Appearance::light)},
      {"red, three digits", {1, "100", Tone::red, Appearance::dark}, systemRed(Appearance::dark)},
  };
  for (const auto& c : cases) {
    for (int side : trayIconSizes) {
      SCOPED_TRACE(std::string(c.name) + " at " + std::to_string(side));
      const QImage image = renderTrayGlyph(c.glyph, side);
      ASSERT_EQ(image.size(), QSize(side, side));
      EXPECT_GE(inkInNumberArea(image, c.ink), side / 4) << "the number is missing or in another colour";
    }
  }
}

TEST(TrayGlyph, TheNumberChangesThePicture) {
  const QImage a = renderTrayGlyph({0.42, "42", Tone::normal, Appearance::dark}, 22);
  const QImage b = renderTrayGlyph({0.42, "47", Tone::normal, Appearance::dark}, 22);
  const QImage dash = renderTrayGlyph({0, "\u2013", Tone::dim, Appearance::dark}, 22);
  EXPECT_NE(a, b);
  EXPECT_NE(a, dash);
}

TEST(TrayGlyph, DimIsFaded) {
  const QImage dim = renderTrayGlyph({0.42, "42", Tone::dim, Appearance::dark}, 32);
  EXPECT_GT(maxAlpha(dim), 0);
  EXPECT_LE(maxAlpha(dim), int(0.45 * 255) + 2);
  EXPECT_EQ(maxAlpha(renderTrayGlyph({0.42, "42", Tone::normal, Appearance::dark}, 32)), 255);
}

TEST(TrayGlyph, IconOffersEverySize) {
  const QIcon icon = trayGlyph({0.5, "50", Tone::normal, Appearance::dark});
  const QList<QSize> sizes = icon.availableSizes();
  for (int side : trayIconSizes) EXPECT_TRUE(sizes.contains(QSize(side, side))) << side;
}

}  // namespace
