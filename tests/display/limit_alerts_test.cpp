#include "display/limit_alerts.hpp"

#include "display_fixture.hpp"

namespace {

using LimitAlerts = DisplayTest;

constexpr const char* kindNames[] = {"near", "reached", "reset"};  // in AlertKind's order

std::string kinds(const std::vector<LimitNotice>& notices) {
  std::string all;
  for (const LimitNotice& n : notices)
    all += (all.empty() ? "" : " ") + n.window.key + ":" + kindNames[int(n.kind)];
  return all;
}

constexpr EpochSeconds resetAt = testNow + 2 * hour;

// One reading of the session window as it arrives at testNow + later.
struct Step {
  double pct;
  EpochSeconds reset = resetAt;
  const char* want = "";
  double later = 0;
  ReadingSource source = ReadingSource::bridge;
  const char* status = "ok";
  double age = 0;
};

TEST_F(LimitAlerts, CrossingRules) {
  const std::pair<const char*, std::vector<Step>> cases[] = {
      {"one notice per crossing",
       {{50}, {81, resetAt, "session:near"}, {85}, {99}, {100, resetAt, "session:reached"}, {130}}},
      {"100 % marks 80 %, so dropping back stays quiet", {{100, resetAt, "session:reached"}, {85}, {100}}},
      {"a jump past both gives only the louder notice", {{70}, {104, resetAt, "session:reached"}}},
      {"judged on the shown, rounded percentage", {{79.4}, {79.5, resetAt, "session:near"}}},
      {"reset moment jitter under a minute is the same cycle",
       {{85, resetAt, "session:near"}, {86, resetAt + 59.9}, {87, resetAt - 59.9}, {88, resetAt + 50}}},
      {"a new cycle says so and re-arms",
       {{85, resetAt, "session:near"},
        {3, resetAt + 5 * hour, "session:reset", 2 * hour + 1},
        {82, resetAt + 5 * hour + 0.012, "session:near", 2 * hour + 60},
        {100, resetAt + 5 * hour, "session:reached", 2 * hour + 120}}},
      {"a new cycle without a notice in the old one is quiet",
       {{30}, {10, resetAt + 5 * hour, "", 2 * hour + 1}}},
      {"stale numbers neither speak nor use up the notice",
       {{90, resetAt, "", 0, ReadingSource::bridge, "ok", staleAfter}, {90, resetAt, "session:near"}}},
      {"numbers from disk neither speak nor use up the notice",
       {{90, resetAt, "", 0, ReadingSource::disk}, {90, resetAt, "session:near"}}},
      {"only ok readings count",
       {{90, resetAt, "", 0, ReadingSource::bridge, "signed_out"},
        {90, resetAt, "", 0, ReadingSource::bridge, "error"},
        {90, resetAt, "session:near"}}},
      {"a window past its reset is not judged", {{95, testNow}, {95, testNow - hour}}},
  };
  for (const auto& [name, steps] : cases) {
    SCOPED_TRACE(name);
    AlertState state;
    for (std::size_t i = 0; i < steps.size(); ++i) {
      const Step& s = steps[i];
      SCOPED_TRACE("step " + std::to_string(i));
      Reading r = reading(s.status, s.age - s.later, {window("session", s.pct, s.reset)});
      EXPECT_EQ(kinds(limitNotices(state, r, s.source, testNow + s.later)), s.want);
    }
  }
}

TEST_F(LimitAlerts, NearNoticeTellsWhenThePaceRunsOutBeforeTheReset) {
  // 82 % with half the window gone: out 1 h 58 m before the reset at 15:40.
  const LimitNotice near{AlertKind::near, window("session", 82, testNow + 2.5 * hour)};
  // Ahead of the even share, but lasting past the reset.
  const LimitNotice onPace{AlertKind::near, window("weekly", 80, testNow + 0.5 * day)};
  const auto both = [](const LimitNotice& n) {
    const NoticeText t = noticeText(n, testNow);
    return t.title + " | " + t.body;
  };
  inBoth("5시간 한도 82% 사용 | 2시간 30분 뒤 리셋 · 오후 3:40\n이 속도면 리셋 약 1시간 58분 전에 다 써요",
         "5-hour limit at 82% | resets in 2h 30m · 3:40 PM\nat this pace: out about 1h 58m before the reset",
         [&] { return both(near); });
  inBoth("7일 한도 80% 사용 | 12시간 뒤 리셋 · 오전 1:10", "7-day limit at 80% | resets in 12h · 1:10 AM",
         [&] { return both(onPace); });
}

}  // namespace
