#include <cmath>
#include <limits>

#include "display/phrases.hpp"
#include "display_clock.hpp"

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

using PhraseTest = DisplayTest;

TEST_F(PhraseTest, TChoosesByLanguage) {
  inBoth("리셋됨", "reset", [] { return T("리셋됨", "reset"); });
}

TEST_F(PhraseTest, PctTextRoundsHalfAwayFromZeroAndSaturates) {
  struct Case {
    const char* name;
    double pct;
    const char* want;
  } cases[] = {
      {"below half", 42.4, "42%"},
      {"half up", 42.5, "43%"},
      {"zero", 0, "0%"},
      {"negative half", -0.5, "-1%"},
      {"sanitised maximum", 10000, "10000%"},
      {"NaN", nan, "0%"},
      {"huge", 1e300, "9000000000000000%"},
      {"infinity", inf, "9000000000000000%"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    inBoth(c.want, c.want, [&] { return pctText(c.pct); });
  }
}

TEST_F(PhraseTest, WindowLabels) {
  struct Case {
    const char* key;
    const char* ko;
    const char* en;
  } cases[] = {
      {"session", "5시간 한도", "5-hour limit"},
      {"weekly", "7일 한도", "7-day limit"},
      {"opus", "Opus 7일", "Opus 7-day"},
      {"sonnet", "Sonnet 7일", "Sonnet 7-day"},
      {"fable", "Fable 7일", "Fable 7-day"},
      {"design", "Claude Design 7일", "Claude Design 7-day"},
      {"haiku_next", "haiku_next", "haiku_next"},
      {"Session", "Session", "Session"},
      {"", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    inBoth(c.ko, c.en, [&] { return windowLabel(c.key); });
  }
}

TEST_F(PhraseTest, RemainingTextAtEveryBoundary) {
  struct Case {
    const char* name;
    double ahead;  // seconds from now to the reset moment
    const char* ko;
    const char* en;
  } cases[] = {
      {"already past", -hour, "1분 뒤 리셋", "resets in 1m"},
      {"exactly now", 0, "1분 뒤 리셋", "resets in 1m"},
      {"30 seconds", 30, "1분 뒤 리셋", "resets in 1m"},
      {"one minute", minute, "1분 뒤 리셋", "resets in 1m"},
      {"a second over a minute rounds up", minute + 1, "2분 뒤 리셋", "resets in 2m"},
      {"59 minutes has no clock", 59 * minute, "59분 뒤 리셋", "resets in 59m"},
      {"59 minutes and a second is an hour", 59 * minute + 1, "1시간 뒤 리셋 · 오후 2:09",
       "resets in 1h · 2:09 PM"},
      {"60 minutes", hour, "1시간 뒤 리셋 · 오후 2:10", "resets in 1h · 2:10 PM"},
      {"2h 10m", 2 * hour + 10 * minute, "2시간 10분 뒤 리셋 · 오후 3:20", "resets in 2h 10m · 3:20 PM"},
      {"clock shows the moment, not the rounded minutes", 2 * hour + 9 * minute + 30,
       "2시간 10분 뒤 리셋 · 오후 3:19", "resets in 2h 10m · 3:19 PM"},
      {"3 hours", 3 * hour, "3시간 뒤 리셋 · 오후 4:10", "resets in 3h · 4:10 PM"},
      {"after midnight", 12 * hour, "12시간 뒤 리셋 · 오전 1:10", "resets in 12h · 1:10 AM"},
      {"1439 minutes", 1439 * minute, "23시간 59분 뒤 리셋 · 오후 1:09", "resets in 23h 59m · 1:09 PM"},
      {"23h 59m 30s rounds up to a day", 1439 * minute + 30, "1일 뒤 리셋 · 10월 15일 오후 1:09",
       "resets in 1d · Oct 15, 1:09 PM"},
      {"1440 minutes", day, "1일 뒤 리셋 · 10월 15일 오후 1:10", "resets in 1d · Oct 15, 1:10 PM"},
      {"a day and 59 minutes drops the minutes", day + 59 * minute, "1일 뒤 리셋 · 10월 15일 오후 2:09",
       "resets in 1d · Oct 15, 2:09 PM"},
      {"a day and an hour", day + hour, "1일 1시간 뒤 리셋 · 10월 15일 오후 2:10",
       "resets in 1d 1h · Oct 15, 2:10 PM"},
      {"3d 23h and some minutes", 3 * day + 23 * hour + 30 * minute,
       "3일 23시간 뒤 리셋 · 10월 18일 오후 12:40", "resets in 3d 23h · Oct 18, 12:40 PM"},
      {"4d 6h", 4 * day + 6 * hour, "4일 6시간 뒤 리셋 · 10월 18일 오후 7:10",
       "resets in 4d 6h · Oct 18, 7:10 PM"},
      {"4d 6h 40m", 4 * day + 6 * hour + 40 * minute, "4일 6시간 뒤 리셋 · 10월 18일 오후 7:50",
       "resets in 4d 6h · Oct 18, 7:50 PM"},
      {"into next year", 80 * day, "80일 뒤 리셋 · 1월 2일 오후 1:10", "resets in 80d · Jan 2, 1:10 PM"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    inBoth(c.ko, c.en, [&] { return remainingText(testNow + c.ahead, testNow); });
  }
}

TEST_F(PhraseTest, RemainingTextSurvivesHostileTimes) {
  struct Case {
    const char* name;
    Date date, now;
    const char* koPrefix;
    const char* enPrefix;
  } cases[] = {
      {"saturated minutes", 1e300, testNow, "6250000000000일 뒤 리셋 · ", "resets in 6250000000000d · "},
      {"infinite reset", inf, testNow, "6250000000000일 뒤 리셋 · ", "resets in 6250000000000d · "},
      {"infinitely past", -inf, testNow, "1분 뒤 리셋", "resets in 1m"},
      {"NaN reset", nan, testNow, "1분 뒤 리셋", "resets in 1m"},
      {"NaN now", testNow, nan, "1분 뒤 리셋", "resets in 1m"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (bool korean : {true, false}) {
      isKorean = korean;
      const std::string got = remainingText(c.date, c.now);
      const std::string prefix = korean ? c.koPrefix : c.enPrefix;
      EXPECT_EQ(got.substr(0, prefix.size()), prefix);
      // A clock suffix, when present, is a real clock text rather than nothing.
      if (prefix.ends_with(" · ")) {
        EXPECT_GT(got.size(), prefix.size());
      }
    }
  }
}

TEST_F(PhraseTest, ResetLineByState) {
  struct Case {
    const char* name;
    WinState state;
    const char* ko;
    const char* en;
  } cases[] = {
      {"active", WinState::active(testNow + 25 * minute), "25분 뒤 리셋", "resets in 25m"},
      {"reset", WinState::reset(), "리셋됨", "reset"},
      {"not started", WinState::notStarted(), "아직 시작 전", "not started yet"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    inBoth(c.ko, c.en, [&] { return resetLine(c.state, testNow); });
  }
}

TEST_F(PhraseTest, AgoTextAtEveryBoundary) {
  struct Case {
    const char* name;
    double seconds;
    const char* ko;
    const char* en;
  } cases[] = {
      {"zero", 0, "방금", "just now"},
      {"59 seconds", 59, "방금", "just now"},
      {"just under a minute truncates", 59.99, "방금", "just now"},
      {"60 seconds", 60, "1분 전", "1 min ago"},
      {"3599 seconds", 3599, "59분 전", "59 min ago"},
      {"3600 seconds", 3600, "1시간 전", "1 hr ago"},
      {"86399 seconds", 86399, "23시간 전", "23 hr ago"},
      {"86400 seconds", 86400, "1일 전", "1 day ago"},
      {"just under two days", 172799, "1일 전", "1 day ago"},
      {"two days", 172800, "2일 전", "2 days ago"},
      {"negative age", -30, "방금", "just now"},
      {"minus infinity", -inf, "방금", "just now"},
      {"NaN", nan, "방금", "just now"},
      {"huge", 1e300, "104166666666일 전", "104166666666 days ago"},
      {"infinity", inf, "104166666666일 전", "104166666666 days ago"},
      {"at the saturation limit", 9e15, "104166666666일 전", "104166666666 days ago"},
      {"just below the limit", 8.9e15, "103009259259일 전", "103009259259 days ago"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    inBoth(c.ko, c.en, [&] { return agoText(c.seconds); });
  }
}

}  // namespace
