#include "display_fixture.hpp"

namespace {

TEST_F(DisplayTest, RemainingAndAgoTextsAtEveryBoundary) {
  inBothEach(
      {
          {-hour, "1분 뒤 리셋", "resets in 1m"},
          {minute, "1분 뒤 리셋", "resets in 1m"},
          {59 * minute, "59분 뒤 리셋", "resets in 59m"},
          {59 * minute + 1, "1시간 뒤 리셋 · 오후 2:09", "resets in 1h · 2:09 PM"},
          // The clock shows the moment itself, not the rounded minutes.
          {2 * hour + 9 * minute + 30, "2시간 10분 뒤 리셋 · 오후 3:19", "resets in 2h 10m · 3:19 PM"},
          {1439 * minute, "23시간 59분 뒤 리셋 · 오후 1:09", "resets in 23h 59m · 1:09 PM"},
          {1439 * minute + 30, "1일 뒤 리셋 · 10월 15일 오후 1:09", "resets in 1d · Oct 15, 1:09 PM"},
          {day + hour, "1일 1시간 뒤 리셋 · 10월 15일 오후 2:10", "resets in 1d 1h · Oct 15, 2:10 PM"},
      },
      [](double ahead) { return remainingText(testNow + ahead, testNow); });
  // Centuries ahead the minute count saturates instead of overflowing.
  EXPECT_TRUE(remainingText(infinity, testNow).starts_with("resets in 6250000000000d"));

  const std::vector<BothWays> ages = {
      {59.99, "방금", "just now"},     {60, "1분 전", "1 min ago"},       {3599, "59분 전", "59 min ago"},
      {3600, "1시간 전", "1 hr ago"},  {86399, "23시간 전", "23 hr ago"}, {86400, "1일 전", "1 day ago"},
      {172799, "1일 전", "1 day ago"}, {172800, "2일 전", "2 days ago"},  {notANumber, "방금", "just now"}};
  inBothEach(ages, agoText);
  inBoth("104166666666일 전", "104166666666 days ago", [] { return agoText(infinity); });
}

}  // namespace
