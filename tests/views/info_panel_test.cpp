// The drawn info panel: its sizes against the font metrics, its inks in pixels, and its widget.
#include <cmath>

#include <gtest/gtest.h>
#include <QAccessible>
#include <QFontMetricsF>
#include <QPainter>

#include "support/contrast.hpp"
#include "views/info_layout.hpp"
#include "views/info_view.hpp"

namespace {

ShownRow row(std::string pct, double fraction, Tone tone = Tone::normal, std::string label = "5-hour limit",
             std::optional<double> pace = {}) {
  return ShownRow{"session", label, pct, fraction, tone, "resets in 2h 10m · 3:20 PM", pace, fraction * 100};
}

Shown model(std::vector<ShownRow> rows, std::optional<std::string> status = {},
            std::optional<std::string> footer = {}, Tone tone = Tone::normal) {
  return Shown{"\u2013", tone, status ? "waiting_first" : "ok", status, {}, rows, footer, {}};
}

// Small text may have no fully covered pixel, so a pixel close to the ink counts.
bool inks(const QImage& image, const QRect& area, const QColor& ink) {
  const auto off = [&](QColor p) {
    return std::abs(p.red() - ink.red()) + std::abs(p.green() - ink.green()) +
           std::abs(p.blue() - ink.blue());
  };
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (off(image.pixelColor(x, y)) <= 60) return true;
  return false;
}

const std::string longStatus = "Couldn't get usage (a listener failure message long enough to widen)";
const std::string longName = "Claude Design 7-day and a much longer name";

// Pure primaries on white, so a fully covered pixel names its ink exactly.
class Panel : public ::testing::Test {
 protected:
  // Line heights as the fonts report them, independent of the layout's own measuring.
  static double lineOf(const QFont& font) { return std::ceil(QFontMetricsF(font).height()); }
  const PanelLook look{panelFonts(menuFont()),
                       PanelColours{Qt::black, QColor(0, 160, 0), QColor(0, 0, 0, 80), QColor(255, 128, 0),
                                    Qt::red, Qt::blue, Qt::white}};
  const double firstLine = std::max(lineOf(look.fonts.name), lineOf(look.fonts.pct));
  const int barY = int(3 + firstLine + 4) + 1;

  QImage draw(const Shown& shown) const {
    const QSizeF size = InfoLayout::run(shown, 14, look);
    QImage image(size.toSize(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    InfoLayout::run(shown, 14, look, InfoLayout::Canvas{&painter, size.width()});
    return image;
  }
};

}  // namespace

TEST_F(Panel, SizeAddsUpFromTheFontMetrics) {
  const double name = lineOf(look.fonts.name), sub = lineOf(look.fonts.sub);
  const double block = firstLine + 4 + 4 + 3 + sub;
  const QFontMetricsF nameMetrics(look.fonts.name);
  const double wideRow = std::ceil(nameMetrics.horizontalAdvance(QString::fromStdString(longName)) + 24 +
                                   measureFigures("100%", look.fonts.pct).width() + 28);
  const double wideStatus = std::ceil(nameMetrics.horizontalAdvance(QString::fromStdString(longStatus)) + 28);
  const std::vector<ShownRow> one{row("42%", 0.42)}, three(3, one[0]);
  // What, the model, its width and height.
  const std::tuple<const char*, Shown, double, double> cases[] = {
      {"status only: no gap after it", model({}, longStatus), wideStatus, 3 + name + 6},
      {"windows 10 points apart", model(three), 240, 3 + 3 * block + 2 * 10 + 6},
      {"status, window, footer", model(one, "Waiting", "updated"), 240, 3 + name + 8 + block + 12 + sub + 6},
      {"footer right after the status", model({}, "Free plan", "updated"), 240, 3 + name + 8 + sub + 6},
      {"long name beside its percentage, greyed",
       model({row("100%", 1, Tone::red, longName)}, {}, {}, Tone::dim), wideRow, 3 + block + 6},
  };
  for (const auto& [what, shown, width, height] : cases) {
    const QSizeF got = InfoLayout::run(shown, 14, look);
    EXPECT_NEAR(got.width(), width, 1) << what;
    EXPECT_EQ(got.height(), height) << what;
  }
  EXPECT_TRUE(InfoLayout::isEmpty(Shown{}));
  EXPECT_FALSE(InfoLayout::isEmpty(model({}, {}, "updated just now")));
}

TEST_F(Panel, InksAndPaceTickFollowToneAndGreying) {
  const PanelColours& c = look.colours;
  const int pw = int(measureFigures("50%", look.fonts.pct).width());
  const QRect pct(240 - 14 - pw, 3, pw, int(firstLine));
  // The bar's track runs from 14 to 240 - 14; the tick at half way stands out above and below it.
  const int barTop = int(3 + firstLine + 4);
  const QRect above(118, barTop - 2, 5, 2), below(118, barTop + 4, 5, 2), farLeft(30, barTop - 2, 5, 2);
  // What, the panel's and the row's tones, the fill, the pace, and the percentage's and the bar's inks.
  const std::tuple<const char*, Tone, Tone, double, std::optional<double>, QColor, QColor> cases[] = {
      {"live, tick ahead of the fill", Tone::normal, Tone::normal, 0.3, 0.5, c.label, c.barBlue},
      {"orange, no pace, no tick", Tone::orange, Tone::orange, 0.41, {}, c.orange, c.orange},
      {"red, tick over the fill", Tone::red, Tone::red, 0.95, 0.5, c.red, c.red},
      // A greyed red row must still come out grey, its tick over a fill of the same ink.
      {"greyed", Tone::dim, Tone::red, 0.8, 0.5, c.secondary, c.secondary},
  };
  for (const auto& [name, tone, rowTone, fraction, pace, pctInk, barInk] : cases) {
    SCOPED_TRACE(name);
    const Shown shown = model({row("50%", fraction, rowTone, "5-hour limit", pace)}, {}, {}, tone);
    const QImage image = draw(shown);
    EXPECT_TRUE(inks(image, pct, pctInk));
    EXPECT_EQ(image.pixelColor(34, barY), barInk);
    EXPECT_EQ(inks(image, above, c.secondary), pace.has_value());
    EXPECT_EQ(inks(image, below, c.secondary), pace.has_value());
    EXPECT_FALSE(inks(image, farLeft, c.secondary)) << "one tick only";
    // The mark adds nothing to the panel's size.
    EXPECT_EQ(InfoLayout::run(shown, 14, look), InfoLayout::run(model({row("50%", fraction)}), 14, look));
  }
}

// The warning tones are ours to choose: text at 4.5:1 and bars at 3:1 or more on the menu's and the window's
// colour of either scheme, measured in the drawn pixels.
TEST_F(Panel, WarningTonesReadOnLightAndDark) {
  const int pw = int(measureFigures("95%", look.fonts.pct).width());
  const QRect pct(240 - 14 - pw, 3, pw, int(firstLine)), bar(20, barY, 100, 1);
  for (Appearance a : {Appearance::light, Appearance::dark}) {
    const QPalette palette = standardMenuPalette(a);
    for (QPalette::ColorRole backdrop : {QPalette::Base, QPalette::Window}) {
      for (Tone tone : {Tone::orange, Tone::red}) {
        SCOPED_TRACE(std::to_string(int(a)) + " " + std::to_string(int(backdrop)) + " " +
                     std::to_string(int(tone)));
        const QColor back = palette.color(backdrop);
        const Shown shown = model({row("95%", 0.95, tone)}, {}, {}, tone);
        const PanelLook real{look.fonts, panelColours(palette, a)};
        const QSizeF size = InfoLayout::run(shown, 14, real);
        QImage image(size.toSize(), QImage::Format_ARGB32);
        image.fill(back);
        QPainter painter(&image);
        InfoLayout::run(shown, 14, real, InfoLayout::Canvas{&painter, size.width()});
        EXPECT_GE(strongest(image, pct, back), 4.5) << "the percentage";
        EXPECT_GE(strongest(image, bar, back), 3) << "the bar";
      }
    }
  }
}

TEST_F(Panel, EveryDigitTakesTheSameWidth) {
  // A serif face with proportional digits, as some desktop menu fonts have.
  const QFont pct = panelFonts(QFont("Noto Serif CJK KR", 13)).pct;
  const double width = measureFigures("00%", pct).width();
  for (const char* text : {"11%", "47%", "88%"})
    EXPECT_DOUBLE_EQ(measureFigures(text, pct).width(), width) << text;
  EXPECT_GT(measureFigures("100%", pct).width(), width);
}

TEST(InfoView, UpdateReportsOnlyRealSizeChanges) {
  InfoView view;
  QAccessibleInterface* face = QAccessible::queryAccessibleInterface(&view);
  ASSERT_NE(face, nullptr);
  const Shown one = model({row("42%", 0.42)}, {}, "Max 5x · updated 1 min ago");
  EXPECT_TRUE(view.update(one, false, false));
  EXPECT_EQ(view.size().toSizeF(), InfoLayout::run(one, 14, view.look()));
  EXPECT_EQ(view.sizeHint(), view.size());
  EXPECT_EQ(face->text(QAccessible::Name).toStdString(),
            "5-hour limit 42%, resets in 2h 10m · 3:20 PM. Max 5x · updated 1 min ago");
  EXPECT_FALSE(view.update(one, false, false)) << "same model and flags";

  const Shown newer = model({row("43%", 0.43, Tone::orange)}, {}, one.footer, Tone::dim);
  EXPECT_FALSE(view.update(newer, false, false)) << "new numbers of the same shape, greyed";
  EXPECT_NE(face->text(QAccessible::Name).toStdString().find("43%"), std::string::npos);

  // An open menu never gets narrower.
  view.update(model({}, longStatus), false, false);
  const int plain = view.width();
  EXPECT_TRUE(view.update(model({}, longStatus), true, false)) << "a check column appeared";
  const QSize wide = view.size();
  EXPECT_EQ(wide.width(), plain + 10);
  EXPECT_FALSE(view.update(model({}, "Short"), true, true));
  EXPECT_EQ(view.size(), wide);
  EXPECT_TRUE(view.update(model({}, "Short", "updated"), true, true)) << "growing taller still counts";
  EXPECT_EQ(view.width(), wide.width());
  EXPECT_TRUE(view.update(model({}, "Short"), true, false)) << "a closed menu shrinks";
  EXPECT_EQ(view.width(), 240);
}
