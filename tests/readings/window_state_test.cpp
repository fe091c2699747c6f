#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "readings/window_state.hpp"

namespace {

constexpr Date now = 1760421600.0;
constexpr double nowMs = now * 1000.0;
constexpr double inf = std::numeric_limits<double>::infinity();

TEST(Effective, FollowsTheResetMoment) {
  struct Case {
    const char* name;
    double pct;
    std::optional<double> resetsAt;
    Effective want;
  } cases[] = {
      {"one second ahead", 42, nowMs + 1000, {42, WinState::active(now + 1)}},
      {"exactly now", 42, nowMs, {0, WinState::reset()}},
      {"an hour ago", 80, nowMs - 3600000, {0, WinState::reset()}},
      {"no reset moment", 12, {}, {0, WinState::notStarted()}},
      {"no reset moment, NaN pct", std::nan(""), {}, {0, WinState::notStarted()}},
      {"no reset moment, huge pct", 1e300, {}, {0, WinState::notStarted()}},
      {"over 100 percent stays while active", 250, nowMs + 60000, {250, WinState::active(now + 60)}},
      {"NaN reset moment counts as passed", 42, std::nan(""), {0, WinState::reset()}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto got = effective(UsageWindow{"session", c.pct, c.resetsAt}, now);
    EXPECT_EQ(got.state, c.want.state);
    EXPECT_EQ(got.pct, c.want.pct);
  }
}

TEST(WinStateEquality, ComparesTheDateOnlyWhenActive) {
  EXPECT_NE(WinState::active(1), WinState::active(2));
  EXPECT_NE(WinState::active(0), WinState::reset());
  EXPECT_NE(WinState::reset(), WinState::notStarted());
  EXPECT_EQ((WinState{WinState::Kind::reset, 5}), WinState::reset());
  EXPECT_EQ((WinState{WinState::Kind::notStarted, 7}), WinState::notStarted());
}

TEST(DataTime, IsTheEarlierOfTheTwoTimes) {
  struct Case {
    const char* name;
    double fetchedAt, receivedAt;
    Date want;
  } cases[] = {
      {"fetched after received", nowMs + 5000, nowMs, now},
      {"fetched before received", nowMs - 5000, nowMs, now - 5},
      {"equal", nowMs, nowMs, now},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Reading r;
    r.fetched_at = c.fetchedAt;
    r.received_at = c.receivedAt;
    EXPECT_EQ(r.dataTime(), c.want);
  }
}

}  // namespace
