#include <limits>

#include "build_config.hpp"
#include "display/shown.hpp"
#include "display_clock.hpp"
#include "display_samples.hpp"

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

using BuildShownTest = DisplayTest;

TEST_F(BuildShownTest, WorkedExample) {
  struct Case {
    bool korean;
    std::vector<std::string> rows;
    const char* footer;
  } cases[] = {
      {false,
       {"5-hour limit  42%", "   resets in 2h 10m · 3:20 PM", "7-day limit  18%",
        "   resets in 3d · Oct 17, 1:10 PM"},
       "Max 5x · updated 1 min ago"},
      {true,
       {"5시간 한도  42%", "   2시간 10분 뒤 리셋 · 오후 3:20", "7일 한도  18%",
        "   3일 뒤 리셋 · 10월 17일 오후 1:10"},
       "Max 5x · 갱신 1분 전"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.korean ? "Korean" : "English");
    isKorean = c.korean;
    const Shown s = buildShown(savedOk(liveReading()), true, ListenState::ready(), testNow);
    EXPECT_EQ(s.headline, "42%");
    EXPECT_EQ(s.tone, Tone::normal);
    EXPECT_EQ(s.phase, "ok");
    EXPECT_EQ(s.status, std::nullopt);
    EXPECT_EQ(s.rows, c.rows);
    EXPECT_EQ(s.footer, c.footer);
    ASSERT_TRUE(s.gauge);
    EXPECT_DOUBLE_EQ(*s.gauge, 0.423);
    ASSERT_EQ(s.details.size(), 2u);
    EXPECT_EQ(s.details[0].key, "session");
    EXPECT_DOUBLE_EQ(s.details[0].fraction, 0.423);
    EXPECT_EQ(s.details[0].reset, c.rows[1].substr(3));
  }
}

TEST_F(BuildShownTest, PhasesAndWhatStaysOnScreen) {
  const std::string site = Build::serviceSite;
  const std::string waitKo = "확장 프로그램을 기다리는 중이에요",
                    waitEn = "Waiting for the browser extension";
  const std::string busyKo = "47615 포트를 다른 프로그램이 쓰고 있어요",
                    busyEn = "Port 47615 is in use by another app";
  const Reading ok = liveReading();
  Reading undated = liveReading();
  undated.fetched_at = undated.received_at = nan;
  struct Case {
    const char* name;
    Saved saved;
    bool fresh;
    ListenState listen;
    const char* phase;
    std::optional<std::string> ko, en;  // status
    Tone tone;
    std::optional<std::string> footer;  // English; absent when no numbers are shown
  } cases[] = {
      {"nothing stored", {}, false, ListenState::ready(), "waiting_first", waitKo, waitEn, Tone::dim, {}},
      {"signed out over old numbers",
       {reading("signed_out", 0), liveReading(2 * hour)},
       true,
       ListenState::ready(),
       "signed_out",
       site + "에 로그인해 주세요",
       "Log in to " + site + " in your browser",
       Tone::dim,
       "Max 5x · updated 2 hr ago"},
      {"signed out, never ok",
       {reading("signed_out", 0), {}},
       true,
       ListenState::ready(),
       "signed_out",
       site + "에 로그인해 주세요",
       "Log in to " + site + " in your browser",
       Tone::dim,
       {}},
      {"free plan hides an older ok reading",
       {reading("no_data", 0), ok},
       true,
       ListenState::ready(),
       "no_data",
       "무료 플랜은 사용량 숫자가 없어요",
       "Free plans don't show usage numbers",
       Tone::dim,
       {}},
      {"error with text",
       {reading("error", 0, {}, {}, "http-503"), ok},
       true,
       ListenState::ready(),
       "error",
       "사용량을 못 가져왔어요 (http-503)",
       "Couldn't get usage (http-503)",
       Tone::dim,
       "Max 5x · updated 1 min ago"},
      {"error without text",
       {reading("error", 0), ok},
       true,
       ListenState::ready(),
       "error",
       "사용량을 못 가져왔어요 (error)",
       "Couldn't get usage (error)",
       Tone::dim,
       "Max 5x · updated 1 min ago"},
      {"fresh at 599 s",
       savedOk(liveReading(599)),
       true,
       ListenState::ready(),
       "ok",
       {},
       {},
       Tone::normal,
       "Max 5x · updated 9 min ago"},
      {"stale at 600 s", savedOk(liveReading(600)), true, ListenState::ready(), "stale", waitKo, waitEn,
       Tone::dim, "Max 5x · updated 10 min ago"},
      {"loaded from disk, seconds old", savedOk(liveReading(5)), false, ListenState::ready(), "stale", waitKo,
       waitEn, Tone::dim, "Max 5x · updated just now"},
      {"data time not a number", savedOk(undated), true, ListenState::ready(), "stale", waitKo, waitEn,
       Tone::dim, "Max 5x · updated just now"},
      {"listener starting keeps ok",
       savedOk(ok),
       true,
       ListenState::starting(),
       "ok",
       {},
       {},
       Tone::normal,
       "Max 5x · updated 1 min ago"},
      {"port busy over a live reading", savedOk(ok), true, ListenState::busy(), "port_busy", busyKo, busyEn,
       Tone::dim, "Max 5x · updated 1 min ago"},
      {"port busy before any reading",
       {},
       false,
       ListenState::busy(),
       "port_busy",
       busyKo,
       busyEn,
       Tone::dim,
       {}},
      {"listener failed over a signed-out reading",
       {reading("signed_out", 0), ok},
       true,
       ListenState::failed("listener init failed"),
       "listen_failed",
       "사용량을 못 가져왔어요 (listener init failed)",
       "Couldn't get usage (listener init failed)",
       Tone::dim,
       "Max 5x · updated 1 min ago"},
      {"latest ok without a stored ok reading",
       {ok, {}},
       true,
       ListenState::ready(),
       "ok",
       {},
       {},
       Tone::normal,
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (bool korean : {true, false}) {
      isKorean = korean;
      const Shown s = buildShown(c.saved, c.fresh, c.listen, testNow);
      EXPECT_EQ(s.phase, c.phase);
      EXPECT_EQ(s.status, korean ? c.ko : c.en);
      EXPECT_EQ(toneName(s.tone), toneName(c.tone));
      EXPECT_EQ(s.dim(), c.tone == Tone::dim);
    }
    const Shown s = buildShown(c.saved, c.fresh, c.listen, testNow);
    const bool numbers = c.footer.has_value();
    EXPECT_EQ(s.footer, c.footer);
    EXPECT_EQ(s.headline, numbers ? "42%" : "\u2013");
    EXPECT_EQ(s.gauge.has_value(), numbers);
    EXPECT_EQ(s.details.size(), numbers ? 2u : 0u);
    EXPECT_EQ(s.rows.size(), 2 * s.details.size());
  }
}

TEST_F(BuildShownTest, SessionWindowDrivesHeadlineToneAndGauge) {
  struct Case {
    const char* name;
    double pct;
    std::optional<Date> resetsAt;
    const char* headline;
    Tone tone;
    double gauge;
  } cases[] = {
      {"orange", 75, testNow + hour, "75%", Tone::orange, 0.75},
      {"orange after rounding", 69.5, testNow + hour, "70%", Tone::orange, 0.695},
      {"normal below rounding", 69.4, testNow + hour, "69%", Tone::normal, 0.694},
      {"red after rounding", 89.5, testNow + hour, "90%", Tone::red, 0.895},
      {"sanitised maximum", 10000, testNow + hour, "10000%", Tone::red, 1},
      {"past its reset", 80, testNow - minute, "0%", Tone::normal, 0},
      {"reset at this very moment", 80, testNow, "0%", Tone::normal, 0},
      {"not started", 80, std::nullopt, "0%", Tone::normal, 0},
      {"NaN", nan, testNow + hour, "0%", Tone::normal, 0},
      {"infinite", inf, testNow + hour, "9000000000000000%", Tone::red, 1},
      {"negative", -20, testNow + hour, "-20%", Tone::normal, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Reading r = reading("ok", 0, {window("session", c.pct, c.resetsAt)});
    const Shown s = buildShown(savedOk(r), true, ListenState::ready(), testNow);
    EXPECT_EQ(s.headline, c.headline);
    EXPECT_EQ(toneName(s.tone), toneName(c.tone));
    ASSERT_TRUE(s.gauge);
    EXPECT_DOUBLE_EQ(*s.gauge, c.gauge);
    ASSERT_EQ(s.details.size(), 1u);
    EXPECT_EQ(s.details[0].pct, c.headline);
    EXPECT_DOUBLE_EQ(s.details[0].fraction, c.gauge);
    EXPECT_EQ(toneName(s.details[0].tone), toneName(c.tone));
  }
}

TEST_F(BuildShownTest, RowsFollowTheReadingAndShowResetOrNotStarted) {
  // Order as loaded from a file, with the session window last.
  const Reading r = reading("ok", 0,
                            {window("weekly", 95, testNow + day + hour), window("opus", 12, std::nullopt),
                             window("session", 80, testNow - minute)});
  struct Case {
    const char* key;
    const char* ko;
    const char* en;
    const char* pct;
    Tone tone;
  } cases[] = {
      {"weekly", "1일 1시간 뒤 리셋 · 10월 15일 오후 2:10", "resets in 1d 1h · Oct 15, 2:10 PM", "95%",
       Tone::red},
      {"opus", "아직 시작 전", "not started yet", "0%", Tone::normal},
      {"session", "리셋됨", "reset", "0%", Tone::normal},
  };
  for (bool korean : {true, false}) {
    isKorean = korean;
    const Shown s = buildShown(savedOk(r), true, ListenState::ready(), testNow);
    EXPECT_EQ(s.headline, "0%");
    ASSERT_EQ(s.details.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
      SCOPED_TRACE(cases[i].key);
      const ShownRow& row = s.details[i];
      EXPECT_EQ(row.key, cases[i].key);
      EXPECT_EQ(row.reset, korean ? cases[i].ko : cases[i].en);
      EXPECT_EQ(row.pct, cases[i].pct);
      EXPECT_EQ(toneName(row.tone), toneName(cases[i].tone));
      EXPECT_EQ(s.rows[2 * i], row.label + "  " + row.pct);
      EXPECT_EQ(s.rows[2 * i + 1], "   " + row.reset);
    }
  }
}

TEST_F(BuildShownTest, MissingSessionWindowLeavesNoHeadline) {
  const Reading r = reading("ok", 0, {window("weekly", 95, testNow + day)});
  const Shown s = buildShown(savedOk(r), true, ListenState::ready(), testNow);
  EXPECT_EQ(s.headline, "\u2013");
  EXPECT_EQ(s.tone, Tone::normal);  // the weekly tone never reaches the headline
  EXPECT_EQ(s.gauge, std::nullopt);
  EXPECT_EQ(s.rows.size(), 2u);
}

TEST_F(BuildShownTest, FooterPlanAndAge) {
  Reading fetchedEarlier = reading("ok", 5, {}, "Pro");
  fetchedEarlier.fetched_at = (testNow - 10 * minute) * 1000.0;
  struct Case {
    const char* name;
    Reading ok;
    const char* ko;
    const char* en;
  } cases[] = {
      {"plan, just now", reading("ok", 0, {}, "Max 5x"), "Max 5x · 방금 갱신", "Max 5x · updated just now"},
      {"no plan, 59 s", reading("ok", 59.9), "방금 갱신", "updated just now"},
      {"no plan, 60 s", reading("ok", 60), "갱신 1분 전", "updated 1 min ago"},
      {"plan, two days", reading("ok", 2 * day, {}, "Pro"), "Pro · 갱신 2일 전", "Pro · updated 2 days ago"},
      {"data from the future", reading("ok", -hour, {}, "Pro"), "Pro · 방금 갱신", "Pro · updated just now"},
      {"fetched before received", fetchedEarlier, "Pro · 갱신 10분 전", "Pro · updated 10 min ago"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    inBoth(c.ko, c.en,
           [&] { return buildShown(savedOk(c.ok), true, ListenState::ready(), testNow).footer.value(); });
  }
}

}  // namespace
