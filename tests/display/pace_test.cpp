#include "display/pace.hpp"

#include "display_fixture.hpp"

namespace {

TEST(Pace, ShareAndProjectionAtTheEdges) {
  constexpr double session = 5 * hour, week = 7 * day;
  struct Case {
    const char* name;
    UsageWindow window;
    std::optional<double> share;      // absent: no pace at all
    std::optional<double> outBefore;  // seconds between running out and the reset
  } cases[] = {
      {"no reset time", window("session", 50, std::nullopt), {}, {}},
      {"reset exactly now", window("session", 50, testNow), {}, {}},
      {"unknown key", window("haiku_next", 50, testNow + hour), {}, {}},
      {"NaN reset", {"session", 50, notANumber}, {}, {}},
      {"window just started", window("session", 30, testNow + session), 0.0, {}},
      {"reset beyond one length counts as just started", window("weekly", 30, testNow + week + day), 0.0, {}},
      {"exactly on pace", window("session", 50, testNow + session / 2), 0.5, {}},
      // 60 % in 2.5 h: the remaining 40 % take 1 h 40 m, 50 minutes before the reset.
      {"ahead of pace", window("session", 60, testNow + session / 2), 0.5, 50 * minute},
      // 40 % in one day of seven: out after 2.5 days, 4.5 days before the reset.
      {"ahead on a week", window("opus", 40, testNow + 6 * day), 1.0 / 7, 4.5 * day},
      {"already at 100 %", window("session", 100, testNow + hour), 0.8, {}},
      {"NaN usage", {"session", notANumber, (testNow + hour) * 1000}, 0.8, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<Pace> pace = paceOf(c.window, testNow);
    ASSERT_EQ(pace.has_value(), c.share.has_value());
    if (!pace) continue;
    EXPECT_NEAR(pace->share, *c.share, 1e-9);
    EXPECT_NEAR(pace->runsOutAt ? pace->resetsAt - *pace->runsOutAt : -1, c.outBefore.value_or(-1), 1e-6);
  }
}

}  // namespace
