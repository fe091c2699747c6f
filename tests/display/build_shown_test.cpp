#include <cmath>
#include <limits>

#include "build_config.hpp"
#include "display/shown.hpp"
#include "display_clock.hpp"
#include "display_samples.hpp"

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();
const std::string en_dash = "\u2013";

using BuildShownTest = DisplayTest;

TEST_F(BuildShownTest, WorkedExampleInEnglish) {
  const Shown s = buildShown(savedOk(liveReading()), true, ListenState::ready(), testNow);
  EXPECT_EQ(s.headline, "42%");
  EXPECT_EQ(s.tone, Tone::normal);
  EXPECT_FALSE(s.dim());
  EXPECT_EQ(s.phase, "ok");
  EXPECT_EQ(s.status, std::nullopt);
  const std::vector<std::string> rows = {"5-hour limit  42%", "   resets in 2h 10m · 3:20 PM",
                                         "7-day limit  18%", "   resets in 3d · Oct 17, 1:10 PM"};
  EXPECT_EQ(s.rows, rows);
  EXPECT_EQ(s.footer, "Max 5x · updated 1 min ago");
  ASSERT_TRUE(s.gauge);
  EXPECT_DOUBLE_EQ(*s.gauge, 0.423);

  ASSERT_EQ(s.details.size(), 2u);
  EXPECT_EQ(s.details[0].key, "session");
  EXPECT_EQ(s.details[0].label, "5-hour limit");
  EXPECT_EQ(s.details[0].pct, "42%");
  EXPECT_DOUBLE_EQ(s.details[0].fraction, 0.423);
  EXPECT_EQ(s.details[0].tone, Tone::normal);
  EXPECT_EQ(s.details[0].reset, "resets in 2h 10m · 3:20 PM");
  EXPECT_EQ(s.details[1].key, "weekly");
  EXPECT_DOUBLE_EQ(s.details[1].fraction, 0.18);
}

TEST_F(BuildShownTest, WorkedExampleInKorean) {
  isKorean = true;
  const Shown s = buildShown(savedOk(liveReading()), true, ListenState::ready(), testNow);
  const std::vector<std::string> rows = {"5시간 한도  42%", "   2시간 10분 뒤 리셋 · 오후 3:20",
                                         "7일 한도  18%", "   3일 뒤 리셋 · 10월 17일 오후 1:10"};
  EXPECT_EQ(s.rows, rows);
  EXPECT_EQ(s.footer, "Max 5x · 갱신 1분 전");
}

TEST_F(BuildShownTest, PhaseStatusAndTone) {
  const std::string site = Build::serviceSite;
  const std::string waitKo = "확장 프로그램을 기다리는 중이에요",
                    waitEn = "Waiting for the browser extension";
  const Reading ok = liveReading();
  struct Case {
    const char* name;
    Saved saved;
    bool fresh;
    ListenState listen;
    const char* phase;
    std::optional<std::string> ko, en;
    Tone tone;
  } cases[] = {
      {"nothing stored", {}, false, ListenState::ready(), "waiting_first", waitKo, waitEn, Tone::dim},
      {"signed out over old numbers",
       {reading("signed_out", 0), ok},
       true,
       ListenState::ready(),
       "signed_out",
       site + "에 로그인해 주세요",
       "Log in to " + site + " in your browser",
       Tone::dim},
      {"free plan",
       {reading("no_data", 0), std::nullopt},
       true,
       ListenState::ready(),
       "no_data",
       "무료 플랜은 사용량 숫자가 없어요",
       "Free plans don't show usage numbers",
       Tone::dim},
      {"error with text",
       {reading("error", 0, {}, {}, "http-503"), ok},
       true,
       ListenState::ready(),
       "error",
       "사용량을 못 가져왔어요 (http-503)",
       "Couldn't get usage (http-503)",
       Tone::dim},
      {"error without text",
       {reading("error", 0), ok},
       true,
       ListenState::ready(),
       "error",
       "사용량을 못 가져왔어요 (error)",
       "Couldn't get usage (error)",
       Tone::dim},
      {"fresh at 599 s", savedOk(liveReading(599)), true, ListenState::ready(), "ok", std::nullopt,
       std::nullopt, Tone::normal},
      {"stale at 600 s", savedOk(liveReading(600)), true, ListenState::ready(), "stale", waitKo, waitEn,
       Tone::dim},
      {"loaded from disk, seconds old", savedOk(liveReading(5)), false, ListenState::ready(), "stale", waitKo,
       waitEn, Tone::dim},
      {"data time from the future", savedOk(liveReading(-hour)), true, ListenState::ready(), "ok",
       std::nullopt, std::nullopt, Tone::normal},
      {"listener starting keeps ok", savedOk(ok), true, ListenState::starting(), "ok", std::nullopt,
       std::nullopt, Tone::normal},
      {"port busy over a live reading", savedOk(ok), true, ListenState::busy(), "port_busy",
       "47615 포트를 다른 프로그램이 쓰고 있어요", "Port 47615 is in use by another app", Tone::dim},
      {"port busy before any reading",
       {},
       false,
       ListenState::busy(),
       "port_busy",
       "47615 포트를 다른 프로그램이 쓰고 있어요",
       "Port 47615 is in use by another app",
       Tone::dim},
      {"listener failed over a signed-out reading",
       {reading("signed_out", 0), ok},
       true,
       ListenState::failed("listener init failed"),
       "listen_failed",
       "사용량을 못 가져왔어요 (listener init failed)",
       "Couldn't get usage (listener init failed)",
       Tone::dim},
      {"latest ok without a stored ok reading",
       {liveReading(), std::nullopt},
       true,
       ListenState::ready(),
       "ok",
       std::nullopt,
       std::nullopt,
       Tone::normal},
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
  }
}

TEST_F(BuildShownTest, SessionWindowDrivesHeadlineToneAndGauge) {
  struct Case {
    const char* name;
    UsageWindow session;
    const char* headline;
    Tone tone;
    double gauge;
  } cases[] = {
      {"orange", window("session", 75, testNow + hour), "75%", Tone::orange, 0.75},
      {"orange after rounding", window("session", 69.5, testNow + hour), "70%", Tone::orange, 0.695},
      {"normal below rounding", window("session", 69.4, testNow + hour), "69%", Tone::normal, 0.694},
      {"red after rounding", window("session", 89.5, testNow + hour), "90%", Tone::red, 0.895},
      {"red", window("session", 95, testNow + hour), "95%", Tone::red, 0.95},
      {"sanitised maximum", window("session", 10000, testNow + hour), "10000%", Tone::red, 1},
      {"past its reset", window("session", 80, testNow - minute), "0%", Tone::normal, 0},
      {"reset at this very moment", window("session", 80, testNow), "0%", Tone::normal, 0},
      {"not started", window("session", 80, std::nullopt), "0%", Tone::normal, 0},
      {"NaN", window("session", nan, testNow + hour), "0%", Tone::normal, 0},
      {"infinite", window("session", inf, testNow + hour), "9000000000000000%", Tone::red, 1},
      {"negative", window("session", -20, testNow + hour), "-20%", Tone::normal, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Shown s = buildShown(savedOk(reading("ok", 0, {c.session})), true, ListenState::ready(), testNow);
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

TEST_F(BuildShownTest, WindowsPastResetOrNotStartedShowZero) {
  const Reading r = reading("ok", 0,
                            {window("session", 80, testNow - minute),
                             window("weekly", 95, testNow + day + hour), window("opus", 12, std::nullopt)});
  struct Case {
    std::size_t index;
    const char* ko;
    const char* en;
    const char* pct;
    Tone tone;
  } cases[] = {
      {0, "리셋됨", "reset", "0%", Tone::normal},
      {1, "1일 1시간 뒤 리셋 · 10월 15일 오후 2:10", "resets in 1d 1h · Oct 15, 2:10 PM", "95%", Tone::red},
      {2, "아직 시작 전", "not started yet", "0%", Tone::normal},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.index);
    for (bool korean : {true, false}) {
      isKorean = korean;
      const Shown s = buildShown(savedOk(r), true, ListenState::ready(), testNow);
      ASSERT_EQ(s.details.size(), 3u);
      const ShownRow& row = s.details[c.index];
      EXPECT_EQ(row.reset, korean ? c.ko : c.en);
      EXPECT_EQ(row.pct, c.pct);
      EXPECT_EQ(toneName(row.tone), toneName(c.tone));
      EXPECT_EQ(s.rows[2 * c.index], row.label + "  " + row.pct);
      EXPECT_EQ(s.rows[2 * c.index + 1], "   " + row.reset);
    }
  }
}

TEST_F(BuildShownTest, NumbersStayGreyedWhenNotLive) {
  struct Case {
    const char* name;
    Saved saved;
    bool fresh;
    ListenState listen;
    const char* footer;
  } cases[] = {
      {"stale", savedOk(liveReading(600)), true, ListenState::ready(), "Max 5x · updated 10 min ago"},
      {"loaded from disk", savedOk(liveReading(5)), false, ListenState::ready(), "Max 5x · updated just now"},
      {"signed out",
       {reading("signed_out", 0), liveReading(2 * hour)},
       true,
       ListenState::ready(),
       "Max 5x · updated 2 hr ago"},
      {"error",
       {reading("error", 0), liveReading()},
       true,
       ListenState::ready(),
       "Max 5x · updated 1 min ago"},
      {"port busy", savedOk(liveReading()), true, ListenState::busy(), "Max 5x · updated 1 min ago"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Shown s = buildShown(c.saved, c.fresh, c.listen, testNow);
    EXPECT_TRUE(s.dim());
    EXPECT_EQ(s.headline, "42%");
    EXPECT_EQ(s.rows.size(), 4u);
    EXPECT_EQ(s.details.size(), 2u);
    EXPECT_EQ(s.footer, c.footer);
    EXPECT_TRUE(s.gauge);
  }
}

TEST_F(BuildShownTest, NoNumbersWithoutAnOkReadingOrOnAFreePlan) {
  struct Case {
    const char* name;
    Saved saved;
    ListenState listen;
  } cases[] = {
      {"nothing stored", {}, ListenState::ready()},
      {"free plan over an older ok reading", {reading("no_data", 0), liveReading()}, ListenState::ready()},
      {"signed out, never ok", {reading("signed_out", 0), std::nullopt}, ListenState::ready()},
      {"busy port, nothing stored", {}, ListenState::busy()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Shown s = buildShown(c.saved, true, c.listen, testNow);
    EXPECT_EQ(s.headline, en_dash);
    EXPECT_TRUE(s.dim());
    EXPECT_TRUE(s.rows.empty());
    EXPECT_TRUE(s.details.empty());
    EXPECT_EQ(s.footer, std::nullopt);
    EXPECT_EQ(s.gauge, std::nullopt);
    EXPECT_TRUE(s.status);
  }
}

TEST_F(BuildShownTest, MissingSessionWindowLeavesNoHeadline) {
  const Reading r = reading("ok", 0, {window("weekly", 95, testNow + day)});
  const Shown s = buildShown(savedOk(r), true, ListenState::ready(), testNow);
  EXPECT_EQ(s.headline, en_dash);
  EXPECT_EQ(s.tone, Tone::normal);  // the weekly tone never reaches the headline
  EXPECT_EQ(s.gauge, std::nullopt);
  ASSERT_EQ(s.details.size(), 1u);
  EXPECT_EQ(s.rows.size(), 2u);
  EXPECT_EQ(s.rows[0], "7-day limit  95%");
}

TEST_F(BuildShownTest, RowsKeepTheReadingsOrderAndFindSessionAnywhere) {
  const Reading r = reading("ok", 0,
                            {window("weekly", 10, testNow + day), window("design", 20, testNow + day),
                             window("session", 30, testNow + hour)});
  const Shown s = buildShown(savedOk(r), true, ListenState::ready(), testNow);
  EXPECT_EQ(s.headline, "30%");
  ASSERT_EQ(s.details.size(), 3u);
  EXPECT_EQ(s.details[0].key, "weekly");
  EXPECT_EQ(s.details[1].key, "design");
  EXPECT_EQ(s.details[2].key, "session");
  EXPECT_EQ(s.rows[2], "Claude Design 7-day  20%");
}

TEST_F(BuildShownTest, FooterPlanAndAge) {
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
      {"age from future data", reading("ok", -hour, {}, "Pro"), "Pro · 방금 갱신", "Pro · updated just now"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    inBoth(c.ko, c.en,
           [&] { return buildShown(savedOk(c.ok), true, ListenState::ready(), testNow).footer.value(); });
  }
}

TEST_F(BuildShownTest, AgesCountFromTheEarlierOfFetchAndReceipt) {
  Reading r = liveReading();
  r.fetched_at = (testNow - 10 * minute) * 1000.0;
  r.received_at = (testNow - 5) * 1000.0;
  const Shown s = buildShown(savedOk(r), true, ListenState::ready(), testNow);
  EXPECT_EQ(s.phase, "stale");
  EXPECT_EQ(s.footer, "Max 5x · updated 10 min ago");
}

TEST_F(BuildShownTest, NonNumericDataTimeCountsAsStale) {
  Reading r = liveReading();
  r.fetched_at = r.received_at = nan;
  const Shown s = buildShown(savedOk(r), true, ListenState::ready(), testNow);
  EXPECT_EQ(s.phase, "stale");
  EXPECT_TRUE(s.dim());
  EXPECT_EQ(s.headline, "42%");
}

}  // namespace
