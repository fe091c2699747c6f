// The tray icon carries the number itself, so it must read on any panel at every size a tray host asks
// for. Legibility is measured the way WCAG does (support/contrast.hpp): the contrast between a mark's ink
// and the pixels directly around it, all composited over the panel's colour.
#include <tuple>

#include <gtest/gtest.h>
#include <QPainter>

#include "support/contrast.hpp"
#include "tray/tray_glyph.hpp"
#include "tray/tray_text.hpp"
#include "views/panel_colours.hpp"

namespace {

struct Mark {
  double contrast = 0;  // the weakest against its surroundings
  QColor ink;
  QRect box;  // where the mark lies
};

// A mark's ink is its most covered pixel as the panel shows it. Around it lie
// the pixels the mark does not touch at all within `ring` pixels (1 px on
// small icons, 2 px from 32 px) of one it covers at least half; the faint
// edge between is a blend of the two. Pixels of `beside`, a mark this one
// runs on into (the arc into its track), are not around it.
Mark measure(const TrayGlyph& glyph, int side, const QColor& panel, TrayGlyphPart part,
             TrayGlyphPart beside = TrayGlyphPart::all) {
  QImage whole(side, side, QImage::Format_ARGB32_Premultiplied);
  whole.fill(panel);
  QPainter(&whole).drawImage(0, 0, renderTrayGlyph(glyph, side));
  const QImage mark = renderTrayGlyph(glyph, side, part);
  const QImage other = beside == TrayGlyphPart::all ? QImage() : renderTrayGlyph(glyph, side, beside);
  const int ring = side >= 32 ? 2 : 1;
  const auto covered = [&](int x, int y) { return mark.valid(x, y) && qAlpha(mark.pixel(x, y)) >= 128; };
  Mark m;
  int most = 0;
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x)
      if (const int a = qAlpha(mark.pixel(x, y)); a > 0) {
        m.box |= QRect(x, y, 1, 1);
        if (a > most) most = a, m.ink = whole.pixelColor(x, y);
      }
  if (most == 0) return m;
  m.contrast = 100;
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) {
      if (qAlpha(mark.pixel(x, y)) > 0 || (!other.isNull() && qAlpha(other.pixel(x, y)) > 0)) continue;
      bool near = false;
      for (int dy = -ring; dy <= ring; ++dy)
        for (int dx = -ring; dx <= ring; ++dx)
          near = near || (dx * dx + dy * dy <= ring * ring && covered(x + dx, y + dy));
      if (near) m.contrast = std::min(m.contrast, contrast(m.ink, whole.pixelColor(x, y)));
    }
  return m;
}

const int sizes[] = {16, 22, 24, 32, 48, 64};
const QColor panels[] = {QRgb(0xffffff), QRgb(0xefefef), QRgb(0x353535), QRgb(0x000000), QRgb(0x2980b9)};

struct Sample {
  const char* name;
  TrayGlyph glyph;
  double inkAtLeast;  // 0: no number drawn
  QColor hue;         // the arc's, when it has one; at the limit the plate's
};

std::vector<Sample> samples(Appearance a) {
  return {
      {"normal", {0.42, "42", Tone::normal, a}, 4.5, barBlue(a)},
      {"orange", {0.76, "76", Tone::orange, a}, 4.5, systemOrange(a)},
      {"red", {0.95, "95", Tone::red, a}, 4.5, systemRed(a)},
      {"dim", {0.42, "42", Tone::dim, a}, 3, QColor()},
      {"no number yet", {0, "\u2013", Tone::dim, a}, 3, QColor()},
      {"label beside", {0.42, "42", Tone::normal, a, false}, 0, barBlue(a)},
      {"at the limit", {0.996, "100", Tone::red, a}, 4.5, systemRed(a)},
      {"at the limit, greyed", {1, "100", Tone::dim, a}, 3, QColor()},
      {"limit, label beside", {1, "100", Tone::red, a, false}, 0, systemRed(a)},
  };
}

TEST(TrayGlyph, ReadsOnEveryPanelAtEverySize) {
  for (Appearance a : {Appearance::light, Appearance::dark}) {
    for (const Sample& s : samples(a)) {
      for (const QColor& panel : panels) {
        for (int side : sizes) {
          SCOPED_TRACE(std::string(s.name) + (a == Appearance::dark ? " dark" : " light") + " at " +
                       std::to_string(side) + " on " + panel.name().toStdString());
          if (s.inkAtLeast > 0) {
            const Mark ink = measure(s.glyph, side, panel, TrayGlyphPart::ink);
            EXPECT_GE(ink.contrast, s.inkAtLeast) << "the number is hard to read";
            // A number that fills less than this of the square is too small to read at a glance.
            EXPECT_GE(ink.box.height(), s.glyph.number == "\u2013" ? side / 12 : side * 2 / 5);
            EXPECT_GE(measure(s.glyph, side, panel, TrayGlyphPart::track).box.width(), side * 3 / 4);
            EXPECT_TRUE(s.glyph.number != "100" || (ink.box.width() > side / 3) == (side >= 24 && side < 64))
                << "three digits only where each gets what two get at 16 px (Waybar shrinks 64 px to 16)";
          }
          if (s.glyph.value > 0) {
            const Mark arc = measure(s.glyph, side, panel, TrayGlyphPart::arc, TrayGlyphPart::track);
            EXPECT_GE(arc.contrast, 3) << "the arc is hard to see";
            const QColor toned =
                s.glyph.number == "100" ? measure(s.glyph, side, panel, TrayGlyphPart::plate).ink : arc.ink;
            EXPECT_TRUE(!s.hue.isValid() || std::abs(toned.hsvHue() - s.hue.hsvHue()) <= 20)
                << "the icon lost its tone";
          }
        }
      }
    }
    // trayer gives a 14 px icon: too small for two digits, it shows the gauge alone, and "!" only at the
    // limit.
    for (const Sample& s : samples(a)) {
      if (s.glyph.number == "\u2013" || !s.glyph.withNumber) continue;
      SCOPED_TRACE(std::string(s.name) + " at 14 px");
      EXPECT_EQ(measure(s.glyph, 14, Qt::white, TrayGlyphPart::ink).box.isEmpty(), s.glyph.number != "100");
      EXPECT_GE(measure(s.glyph, 14, Qt::white, TrayGlyphPart::arc, TrayGlyphPart::track).contrast, 3);
    }
    // Greyed numbers still read, yet plainly duller than live ones.
    const double live = measure(samples(a)[0].glyph, 32, Qt::white, TrayGlyphPart::ink).contrast;
    EXPECT_LE(measure(samples(a)[3].glyph, 32, Qt::white, TrayGlyphPart::ink).contrast, live / 2);
  }
}

// A chosen limit that is not the 5-hour one is named wherever words stand
// for the icon, so nobody takes it for the session.
TEST(TrayText, TheTooltipAndTheAccessibleTextNameAnotherLimit) {
  Shown shown;
  shown.details = {{"weekly", "7-day limit", "100%", 1, Tone::red, "resets in 1d", {}, 100}};
  const Glance weekly = glanceOf(shown, TrayWindow::weekly), session = glanceOf(shown, TrayWindow::session);
  EXPECT_EQ(trayToolTip(shown, weekly), "Quotalume 7-day limit 100%");
  EXPECT_EQ(trayAccessibleText(shown, weekly), "7-day limit 100%. 7-day limit 100%, resets in 1d");
  EXPECT_EQ(trayAccessibleText(shown, session), "7-day limit 100%, resets in 1d")
      << "no 5-hour window: the panel alone";
}

TEST(TrayGlyph, NumberFromTheModel) {
  const auto glyphOf = [](const char* headline, std::optional<double> gauge, Tone tone) {
    const TrayGlyph g = trayGlyphFor(
        Glance{TrayWindow::weekly, "weekly", "7-day limit", headline, tone, gauge}, Appearance::dark);
    return std::tuple(g.number, g.value, g.tone);
  };
  EXPECT_EQ(glyphOf("42%", 0.42, Tone::orange), std::tuple(std::string("42"), 0.42, Tone::orange));
  // No chosen window, so no gauge, whatever the headline shows.
  EXPECT_EQ(glyphOf("7%", {}, Tone::dim), std::tuple(std::string("\u2013"), 0.0, Tone::dim));
}

}  // namespace
