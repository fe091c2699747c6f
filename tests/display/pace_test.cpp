#include "display/pace.hpp"

#include "display_fixture.hpp"

namespace {

using PaceTest = DisplayTest;

TEST_F(PaceTest, ShareAndProjectionAtTheEdges) {
  constexpr double session = 5 * hour, week = 7 * day;
  struct Case {
    const char* name;
    UsageWindow window;
    std::optional<double> share;      // absent: no pace at all
    std::optional<double> outBefore;  // seconds between running out and the reset
  } cases[] = {
      {"no reset time", window("session", 50, std::nullopt), {}, {}},
      {"reset in the past", window("session", 50, testNow - minute), {}, {}},
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
    EXPECT_DOUBLE_EQ(pace->resetsAt, *c.window.resets_at / 1000);
    ASSERT_EQ(pace->runsOutAt.has_value(), c.outBefore.has_value());
    if (c.outBefore) {
      EXPECT_NEAR(pace->resetsAt - *pace->runsOutAt, *c.outBefore, 1e-6);
    }
    EXPECT_EQ(runOutText(*pace).has_value(), c.outBefore.has_value());
  }
}

TEST_F(PaceTest, RowsCarryTheMarkWithoutChangingTheirTexts) {
  const Reading r = reading("ok", minute,
                            {window("session", 42.3, testNow + 2 * hour), window("weekly", 18, std::nullopt),
                             window("opus", 5, testNow - hour)});
  const Shown withPace = buildShown(savedOk(r), true, ListenState::ready(), testNow);
  ASSERT_EQ(withPace.details.size(), 3u);
  EXPECT_EQ(withPace.details[0].pace, 0.6);
  EXPECT_EQ(withPace.details[1].pace, std::nullopt) << "not started";
  EXPECT_EQ(withPace.details[2].pace, std::nullopt) << "past its reset";
  // The mark moves in steps of a thousandth, so a second later the model is the same.
  EXPECT_EQ(buildShown(savedOk(r), true, ListenState::ready(), testNow + 1), withPace);
  // Greyed numbers keep their marks.
  EXPECT_EQ(buildShown(savedOk(r), false, ListenState::ready(), testNow).details[0].pace, 0.6);
}

}  // namespace
