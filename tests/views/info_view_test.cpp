#include <memory>

#include <gtest/gtest.h>
#include <QAccessible>
#include <QApplication>
#include <QMouseEvent>

#include "views/info_view.hpp"
#include "views/view_samples.hpp"

namespace {

const std::string wideStatus = "Couldn't get usage (a listener failure message long enough to widen)";
const std::string narrowStatus = "Couldn't get usage (short)";

}  // namespace

TEST(InfoView, UpdateReportsOnlyRealSizeChanges) {
  InfoView view;
  EXPECT_EQ(view.size(), QSize(240, 1));
  const Shown one = liveModel({sampleRow("5-hour limit", "42%", 0.42)});
  const Shown two =
      liveModel({sampleRow("5-hour limit", "42%", 0.42), sampleRow("7-day limit", "18%", 0.18)});

  EXPECT_TRUE(view.update(one, false, false));
  EXPECT_EQ(view.size().toSizeF(), InfoLayout::run(one, 14, view.look()));
  EXPECT_EQ(view.sizeHint(), view.size());
  EXPECT_FALSE(view.update(one, false, false)) << "same model and flags";

  Shown newer = one;
  newer.details[0].pct = "43%";
  newer.details[0].tone = Tone::orange;
  EXPECT_FALSE(view.update(newer, false, false)) << "new numbers of the same shape";
  EXPECT_EQ(view.shown(), newer);

  Shown dim = newer;
  dim.tone = Tone::dim;
  EXPECT_FALSE(view.update(dim, false, false)) << "greying must not resize the open menu";

  EXPECT_TRUE(view.update(two, false, false));
  EXPECT_GT(view.height(), int(InfoLayout::run(one, 14, view.look()).height()));
}

TEST(InfoView, CheckColumnMovesTheInset) {
  InfoView view;
  const Shown wide = statusOnly(wideStatus);
  view.update(wide, false, false);
  const int plain = view.width();
  EXPECT_TRUE(view.update(wide, true, false));
  EXPECT_EQ(view.inset(), 24);
  EXPECT_EQ(view.width(), plain + 10);
}

TEST(InfoView, AnOpenMenuNeverGetsNarrower) {
  struct Case {
    const char* name;
    bool menuOpen;
    bool changed;
    bool keepsWidth;
  } cases[] = {
      {"closed menu shrinks", false, true, false},
      {"open menu keeps its width", true, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    InfoView view;
    view.update(statusOnly(wideStatus), false, false);
    const QSize wide = view.size();
    ASSERT_GT(wide.width(), 240);

    EXPECT_EQ(view.update(statusOnly(narrowStatus), false, c.menuOpen), c.changed);
    EXPECT_EQ(view.width() == wide.width(), c.keepsWidth);
    EXPECT_EQ(view.height(), wide.height());
  }

  InfoView view;
  view.update(statusOnly(wideStatus), false, false);
  const int wideWidth = view.width();
  Shown taller = statusOnly(narrowStatus);
  taller.footer = "updated just now";
  EXPECT_TRUE(view.update(taller, false, true)) << "a height change still counts";
  EXPECT_EQ(view.width(), wideWidth);
}

TEST(InfoView, SpeaksTheCurrentModelAsStaticText) {
  InfoView view;
  QAccessibleInterface* face = QAccessible::queryAccessibleInterface(&view);
  ASSERT_NE(face, nullptr);
  EXPECT_EQ(face->role(), QAccessible::StaticText);

  const Shown waiting = statusOnly("Waiting for the browser extension");
  view.update(waiting, false, false);
  EXPECT_EQ(face->text(QAccessible::Name).toStdString(), infoAccessibilityLabel(waiting));

  const Shown live = liveModel({sampleRow("5-hour limit", "42%", 0.42)});
  view.update(live, false, false);
  EXPECT_EQ(face->text(QAccessible::Name).toStdString(), infoAccessibilityLabel(live));
  EXPECT_EQ(face->text(QAccessible::Name).toStdString(),
            "5-hour limit 42%, resets in 2h 10m · 3:20 PM. Max 5x · updated 1 min ago");
}

namespace {

struct PressCounter : QWidget {
  int presses = 0;
  void mousePressEvent(QMouseEvent*) override { ++presses; }
  void mouseReleaseEvent(QMouseEvent*) override { ++presses; }
};

void click(QWidget* target) {
  const QPointF at(5, 5);
  for (auto button : {Qt::LeftButton, Qt::RightButton}) {
    for (auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
      QMouseEvent event(type, at, target->mapToGlobal(at), button, button, Qt::NoModifier);
      QApplication::sendEvent(target, &event);
    }
  }
}

}  // namespace

TEST(InfoView, SwallowsClicksSoTheMenuStaysOpen) {
  PressCounter menu;
  auto* view = new InfoView(&menu);
  auto* plain = new QWidget(&menu);
  view->update(statusOnly("Waiting for the browser extension"), false, false);

  click(view);
  EXPECT_EQ(menu.presses, 0);
  // The same clicks on an ordinary child do reach the menu.
  click(plain);
  EXPECT_EQ(menu.presses, 4);
}
