#include "display_fixture.hpp"

namespace {

using AccessibilityLabelTest = DisplayTest;

TEST_F(AccessibilityLabelTest, SpeaksStatusRowsAndFooterInOrder) {
  Shown s;
  EXPECT_EQ(infoAccessibilityLabel(s), "");
  s.footer = "F";
  EXPECT_EQ(infoAccessibilityLabel(s), "F");
  s.details = {{"k", "A", "1%", 0, Tone::normal, "a"}, {"k", "B", "2%", 0, Tone::red, "b"}};
  s.headline = "99%";  // the headline and the plain-text rows are never spoken
  s.rows = {"x", "y"};
  EXPECT_EQ(infoAccessibilityLabel(s), "A 1%, a. B 2%, b. F");
  s.status = "S";
  EXPECT_EQ(infoAccessibilityLabel(s), "S. A 1%, a. B 2%, b. F");
}

TEST_F(AccessibilityLabelTest, SpeaksTheLiveModelInBothLanguages) {
  inBoth(
      "5시간 한도 42%, 2시간 10분 뒤 리셋 · 오후 3:20. 7일 한도 18%, 3일 뒤 리셋 · 10월 17일 오후 1:10. Max "
      "5x · 갱신 1분 전",
      "5-hour limit 42%, resets in 2h 10m · 3:20 PM. 7-day limit 18%, resets in 3d · Oct 17, 1:10 PM. "
      "Max 5x · updated 1 min ago",
      [] {
        return infoAccessibilityLabel(
            buildShown(savedOk(liveReading()), true, ListenState::ready(), testNow));
      });
}

}  // namespace
