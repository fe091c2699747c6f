#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "readings/window_state.hpp"

namespace {

constexpr EpochSeconds now = 1760421600.0;
constexpr double nowMs = 1760421600000.0, inf = std::numeric_limits<double>::infinity();
const double nan = std::nan("");

// Readings loaded from disk reach the sanitiser without passing the parser.
TEST(SanitizeReading, RefusesBadStatusAndTimes) {
  const Reading edge{"no_data", {}, {}, nowMs - timeSpanMs, nowMs + timeSpanMs, {}};
  EXPECT_EQ(sanitizeReading(edge, now), edge);
  for (double bad : {nan, inf, -inf, nowMs + timeSpanMs + 1}) {
    for (auto time : {&Reading::fetched_at, &Reading::received_at}) {
      Reading r = edge;
      r.*time = bad;
      EXPECT_EQ(sanitizeReading(r, now), std::nullopt) << bad;
    }
  }
  EXPECT_EQ(sanitizeReading(Reading{"", {}, {}, nowMs, nowMs, {}}, now), std::nullopt);
}

TEST(SanitizeReading, FiltersClampsOrdersAndCleans) {
  Reading r{"error", "\n\t ", "  Max\u200b 20x\u00a0", nowMs, nowMs, {}};
  r.windows = {{"weekly", -5, nowMs + timeSpanMs + 0.5},
               {"session", nan, {}},
               {"session", 20, nan},
               {"session", 30, {}},
               {"opus", inf, {}},
               {"design", 1e300, nowMs - timeSpanMs - 0.5},
               {"bogus", 5, {}}};
  // Unlike the parser, the first surviving window of a key wins.
  const std::vector<UsageWindow> kept{{"session", 20, {}}, {"weekly", 0, {}}, {"design", maxPct, {}}};
  const Reading want{"error", {}, "Max 20x", nowMs, nowMs, kept};
  EXPECT_EQ(sanitizeReading(r, now), want);
  EXPECT_EQ(sanitizeReading(want, now), want);
  // -0 would be shown as "-0%".
  r.windows = {{"session", -0.0, {}}};
  EXPECT_FALSE(std::signbit(sanitizeReading(r, now)->windows.at(0).pct));
}

TEST(Effective, KeepsThePercentageOnlyStrictlyBeforeTheResetMoment) {
  const std::tuple<const char*, UsageWindow, Effective> cases[] = {
      {"a millisecond ahead", {"session", 42, nowMs + 1}, {42, WinState::active(now + 0.001)}},
      {"exactly now", {"session", 42, nowMs}, {0, WinState::reset()}},
      {"a millisecond ago", {"session", 42, nowMs - 1}, {0, WinState::reset()}},
      {"no reset moment", {"opus", 12, {}}, {0, WinState::notStarted()}},
      {"no reset moment, infinite pct", {"opus", inf, {}}, {0, WinState::notStarted()}},
      {"reset moment not a number", {"session", 42, nan}, {0, WinState::reset()}},
  };
  for (const auto& [name, window, want] : cases) EXPECT_EQ(effective(window, now), want) << name;
}

TEST(DataTime, IsTheEarlierOfFetchAndReceipt) {
  EXPECT_EQ((Reading{"ok", {}, {}, nowMs + 1, nowMs, {}}.dataTime()), now);
  EXPECT_EQ((Reading{"ok", {}, {}, nowMs - 60'000, nowMs, {}}.dataTime()), now - 60);
}

TEST(SafeInt, SaturatesAndTruncatesTowardZero) {
  EXPECT_EQ(safeInt(nan), 0);
  EXPECT_EQ(safeInt(inf), 9'000'000'000'000'000);
  EXPECT_EQ(safeInt(-1e300), -9'000'000'000'000'000);
  EXPECT_EQ(safeInt(-42.9), -42);
}

}  // namespace
