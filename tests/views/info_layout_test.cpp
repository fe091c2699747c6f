#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <QFontMetricsF>

#include "views/info_layout.hpp"
#include "views/view_samples.hpp"

namespace {

struct Heights {
  double name, pct, sub;
};

// What the fonts in use say a line of Latin text needs, independent of the
// layout's own measuring.
Heights lineHeights(const PanelLook& look) {
  return {QFontMetricsF(look.fonts.name).height(), QFontMetricsF(look.fonts.pct).height(),
          QFontMetricsF(look.fonts.sub).height()};
}

double firstLine(const PanelLook& look) {
  const Heights h = lineHeights(look);
  return std::ceil(std::max(h.name, h.pct));
}

// The first bar's top edge in a model without a status line.
int barTop(const PanelLook& look) {
  return int(InfoLayout::top + firstLine(look) + InfoLayout::gapLineBar);
}

double blockHeight(const PanelLook& look) {
  const Heights h = lineHeights(look);
  return firstLine(look) + InfoLayout::gapLineBar + InfoLayout::barHeight + InfoLayout::gapBarReset +
         std::ceil(h.sub);
}

Shown rowsOnly(int n) {
  std::vector<ShownRow> rows;
  for (int i = 0; i < n; ++i) rows.push_back(sampleRow("5-hour limit", "42%", 0.42));
  Shown s = liveModel(rows);
  s.footer.reset();
  return s;
}

const std::string longStatus = "Couldn't get usage (a rather long listener failure message here)";

}  // namespace

TEST(InfoLayout, HeightsAddUpFromTheFontMetrics) {
  const PanelLook look = probeLook();
  const double block = blockHeight(look);
  const double name = std::ceil(lineHeights(look).name);
  const double sub = std::ceil(lineHeights(look).sub);
  Shown statusAndRow = rowsOnly(1);
  statusAndRow.status = "Waiting for the browser extension";
  Shown rowAndFooter = rowsOnly(1);
  rowAndFooter.footer = "Max 5x · updated 1 min ago";
  Shown statusAndFooter = statusOnly("Free plans don't show usage numbers");
  statusAndFooter.footer = "updated just now";
  struct Case {
    const char* name;
    Shown shown;
    double want;
  } cases[] = {
      {"status only: no gap after it", statusOnly(longStatus), 3 + name + 6},
      {"one window", rowsOnly(1), 3 + block + 6},
      {"two windows", rowsOnly(2), 3 + 2 * block + 10 + 6},
      {"five windows", rowsOnly(5), 3 + 5 * block + 4 * 10 + 6},
      {"status before a window", statusAndRow, 3 + name + 8 + block + 6},
      {"footer after a window", rowAndFooter, 3 + block + 12 + sub + 6},
      {"footer right after the status", statusAndFooter, 3 + name + 8 + sub + 6},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(InfoLayout::run(c.shown, 14, look).height(), c.want);
  }
}

TEST(InfoLayout, WidthFollowsTheWidestLineButNeverDropsBelow240) {
  const PanelLook look = probeLook();
  const QFontMetricsF name(look.fonts.name);
  const QString longName = "Claude Design 7-day and a much longer name";
  struct Case {
    const char* name;
    Shown shown;
    double want;
  } cases[] = {
      {"short content", rowsOnly(1), 240},
      {"empty model", Shown{}, 240},
      {"long status", statusOnly(longStatus),
       std::ceil(name.horizontalAdvance(QString::fromStdString(longStatus)) + 28)},
      {"long name beside its percentage", liveModel({sampleRow(longName.toStdString(), "100%", 1)}),
       std::ceil(name.horizontalAdvance(longName) + 24 + measureFigures("100%", look.fonts.pct).width() +
                 28)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_NEAR(InfoLayout::run(c.shown, 14, look).width(), c.want, 1);
  }
}

TEST(InfoLayout, CheckColumnMovesContentTenPointsRight) {
  const PanelLook look = probeLook();
  EXPECT_EQ(InfoLayout::leftInset(false), 14);
  EXPECT_EQ(InfoLayout::leftInset(true), 24);

  const Shown wide = statusOnly(longStatus);
  EXPECT_EQ(InfoLayout::run(wide, 24, look).width(), InfoLayout::run(wide, 14, look).width() + 10);
  EXPECT_EQ(InfoLayout::run(rowsOnly(1), 24, look).width(), 240);

  Shown full = rowsOnly(1);
  full.details[0].fraction = 1;
  const int barRow = barTop(look) + 1;
  const QColor blue = look.colours.barBlue;
  const QImage plain = drawPanel(full, 14, look);
  const QImage checked = drawPanel(full, 24, look);
  EXPECT_EQ(plain.pixelColor(16, barRow), blue);
  EXPECT_EQ(checked.pixelColor(16, barRow), look.colours.window);
  EXPECT_EQ(checked.pixelColor(26, barRow), blue);
  // Both stop the same distance from the right edge.
  EXPECT_EQ(plain.pixelColor(240 - 14 - 3, barRow), blue);
  EXPECT_EQ(checked.pixelColor(240 - 14 + 1, barRow), look.colours.window);
}

TEST(InfoLayout, GreyingAndChangingFiguresKeepTheSize) {
  const PanelLook look = probeLook();
  const std::string longName = "Claude Design 7-day with a long name";
  for (const char* pct : {"11%", "88%", "40%"}) {
    SCOPED_TRACE(pct);
    Shown live =
        liveModel({sampleRow(longName, pct, 0.5, Tone::orange), sampleRow("7-day limit", "9%", 0.09)});
    Shown dim = live;
    dim.tone = Tone::dim;
    const QSizeF size = InfoLayout::run(live, 14, look);
    EXPECT_EQ(InfoLayout::run(dim, 14, look), size);
    EXPECT_EQ(size,
              InfoLayout::run(liveModel({sampleRow(longName, "00%", 0.5), sampleRow("7-day limit", "1%", 0)}),
                              14, look));
  }
}

namespace {

// Small text may have no fully covered pixel, so a pixel close to the ink
// counts; the probe inks lie far apart.
bool containsColour(const QImage& image, const QRect& area, const QColor& colour) {
  auto close = [&](const QColor& p) {
    return std::abs(p.red() - colour.red()) <= 40 && std::abs(p.green() - colour.green()) <= 40 &&
           std::abs(p.blue() - colour.blue()) <= 40;
  };
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      if (close(image.pixelColor(x, y))) return true;
    }
  }
  return false;
}

}  // namespace

TEST(InfoLayout, InksFollowToneAndGreying) {
  const PanelLook look = probeLook();
  const PanelColours& c = look.colours;
  struct Case {
    const char* name;
    Tone tone;
    bool dim;
    QColor pct, bar;
  } cases[] = {
      {"live normal", Tone::normal, false, c.label, c.barBlue},
      {"live orange", Tone::orange, false, c.orange, c.orange},
      {"live red", Tone::red, false, c.red, c.red},
      {"greyed normal", Tone::normal, true, c.secondary, c.secondary},
      {"greyed red", Tone::red, true, c.secondary, c.secondary},
  };
  const double lh = firstLine(look);
  const int barRow = barTop(look) + 1;
  for (const auto& cs : cases) {
    SCOPED_TRACE(cs.name);
    Shown s = liveModel({sampleRow("5-hour limit", "41%", 0.41, cs.tone)});
    if (cs.dim) s.tone = Tone::dim;
    const QImage image = drawPanel(s, 14, look);
    const double pw = measureFigures("41%", look.fonts.pct).width();
    const QRect pctArea(int(240 - 14 - pw), 3, int(pw), int(lh));
    EXPECT_TRUE(containsColour(image, pctArea, cs.pct));
    EXPECT_FALSE(!cs.dim && containsColour(image, pctArea, c.secondary)) << "a live number drawn grey";
    EXPECT_EQ(image.pixelColor(14 + 20, barRow), cs.bar);
    // Names stay in the label colour and reset lines in grey whatever the tone.
    EXPECT_TRUE(containsColour(image, QRect(14, 3, 60, int(lh)), c.label));
    EXPECT_TRUE(containsColour(image, QRect(14, barRow + 4, 100, 10), c.secondary));
  }
}

TEST(InfoLayout, SmallSharesShowARoundDotOrOnlyTheTrack) {
  const PanelLook look = probeLook();
  const int top = barTop(look);
  const double trackWidth = 240 - 14 - 14;
  struct Case {
    const char* name;
    double fraction;
    int filledUpTo;  // x of the last fully filled pixel, or -1 for none
  } cases[] = {
      {"zero", 0, -1},
      {"below the threshold", 0.004, -1},
      {"not a number", std::nan(""), -1},
      {"at the threshold: a 4-point dot", 0.005, 14 + 2},
      {"half", 0.5, int(14 + trackWidth / 2) - 3},
      {"full", 1, 240 - 14 - 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QImage image = drawPanel(liveModel({sampleRow("5-hour limit", "0%", c.fraction)}), 14, look);
    const QColor atStart = image.pixelColor(14 + 2, top + 1);
    if (c.filledUpTo < 0) {
      EXPECT_NE(atStart, look.colours.barBlue);
      EXPECT_NE(atStart, look.colours.window) << "the track is missing";
    } else {
      EXPECT_EQ(atStart, look.colours.barBlue);
      EXPECT_EQ(image.pixelColor(c.filledUpTo, top + 1), look.colours.barBlue);
      if (c.fraction < 1) {
        EXPECT_NE(image.pixelColor(c.filledUpTo + 5, top + 1), look.colours.barBlue);
      }
    }
  }
}

TEST(InfoLayout, IsEmptyOnlyWithNothingToShow) {
  Shown nothing;
  Shown withStatus = statusOnly("Waiting for the browser extension");
  Shown withRow = rowsOnly(1);
  Shown withFooter;
  withFooter.footer = "updated just now";
  EXPECT_TRUE(InfoLayout::isEmpty(nothing));
  EXPECT_FALSE(InfoLayout::isEmpty(withStatus));
  EXPECT_FALSE(InfoLayout::isEmpty(withRow));
  EXPECT_FALSE(InfoLayout::isEmpty(withFooter));
}

TEST(PanelFigures, EveryDigitTakesTheSameWidth) {
  // The serif face has proportional digits: the case a desktop font like
  // Cantarell brings.
  for (const QFont& menu : {menuFont(), QFont("Noto Serif CJK KR", 13)}) {
    SCOPED_TRACE(menu.family().toStdString());
    const QFont pct = panelFonts(menu).pct;
    const double width = measureFigures("00%", pct).width();
    for (const char* text : {"11%", "47%", "88%", "19%"}) {
      SCOPED_TRACE(text);
      EXPECT_DOUBLE_EQ(measureFigures(text, pct).width(), width);
    }
    EXPECT_GT(measureFigures("100%", pct).width(), width);
  }
}
