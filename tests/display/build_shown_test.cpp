#include <limits>

#include "build_config.hpp"
#include "display_fixture.hpp"

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

using BuildShownTest = DisplayTest;

Shown live(const Saved& saved, bool fresh = true, const ListenState& listen = ListenState::ready()) {
  return buildShown(saved, fresh, listen, testNow);
}

TEST_F(BuildShownTest, WorkedExample) {
  const auto panel = [] {
    const Shown s = live(savedOk(liveReading()));
    std::string text =
        s.headline + " " + std::string(toneName(s.tone)) + " " + std::to_string(s.gauge.value_or(-1));
    for (const auto& row : s.rows) text += "\n" + row;
    return text + "\n" + s.footer.value_or("") + s.status.value_or("");
  };
  inBoth(R"(42% normal 0.423000
5시간 한도  42%
   2시간 10분 뒤 리셋 · 오후 3:20
7일 한도  18%
   3일 뒤 리셋 · 10월 17일 오후 1:10
Max 5x · 갱신 1분 전)",
         R"(42% normal 0.423000
5-hour limit  42%
   resets in 2h 10m · 3:20 PM
7-day limit  18%
   resets in 3d · Oct 17, 1:10 PM
Max 5x · updated 1 min ago)",
         panel);
}

TEST_F(BuildShownTest, PhasesAndWhatStaysOnScreen) {
  struct Phrase {
    std::string ko, en;
  };
  const std::string site = Build::serviceSite;
  const Phrase waiting{"확장 프로그램을 기다리는 중이에요", "Waiting for the browser extension"},
      signedOut{site + "에 로그인해 주세요", "Log in to " + site + " in your browser"},
      free{"무료 플랜은 사용량 숫자가 없어요", "Free plans don't show usage numbers"},
      error503{"사용량을 못 가져왔어요 (http-503)", "Couldn't get usage (http-503)"},
      error{"사용량을 못 가져왔어요 (error)", "Couldn't get usage (error)"},
      busy{"47615 포트를 다른 프로그램이 쓰고 있어요", "Port 47615 is in use by another app"},
      failed{"사용량을 못 가져왔어요 (listener init failed)", "Couldn't get usage (listener init failed)"};
  const Reading ok = liveReading(), out = reading("signed_out", 0);
  Reading undated = liveReading();
  undated.fetched_at = undated.received_at = nan;
  const auto ready = ListenState::ready(), down = ListenState::failed("listener init failed");
  struct Case {
    Saved saved;
    bool fresh;
    ListenState listen;
    const char* phase;
    std::optional<Phrase> status;
    std::optional<std::string> age;  // in the footer; absent when no numbers are shown
  } cases[] = {
      {{}, false, ready, "waiting_first", waiting, {}},
      {{out, liveReading(2 * hour)}, true, ready, "signed_out", signedOut, "2 hr ago"},
      {{reading("no_data", 0), ok}, true, ready, "no_data", free, {}},  // hides the older numbers
      {{reading("error", 0, {}, {}, "http-503"), ok}, true, ready, "error", error503, "1 min ago"},
      {{reading("error", 0), ok}, true, ready, "error", error, "1 min ago"},
      {savedOk(liveReading(599)), true, ready, "ok", {}, "9 min ago"},
      {savedOk(liveReading(600)), true, ready, "stale", waiting, "10 min ago"},
      {savedOk(liveReading(5)), false, ready, "stale", waiting, "just now"},  // loaded from disk
      {savedOk(undated), true, ready, "stale", waiting, "just now"},
      {savedOk(ok), true, ListenState::busy(), "port_busy", busy, "1 min ago"},
      {{out, ok}, true, down, "listen_failed", failed, "1 min ago"},
      {{ok, {}}, true, ready, "ok", {}, {}},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(std::to_string(i) + " " + c.phase);
    isKorean = true;
    EXPECT_EQ(live(c.saved, c.fresh, c.listen).status, c.status ? std::optional(c.status->ko) : std::nullopt);
    isKorean = false;
    const Shown s = live(c.saved, c.fresh, c.listen);
    EXPECT_EQ(s.phase, c.phase);
    EXPECT_EQ(s.status, c.status ? std::optional(c.status->en) : std::nullopt);
    EXPECT_EQ(s.dim(), c.status.has_value());
    EXPECT_EQ(s.footer, c.age ? std::optional("Max 5x · updated " + *c.age) : std::nullopt);
    EXPECT_EQ(s.headline, c.age ? "42%" : "\u2013");
    EXPECT_EQ(s.details.size(), c.age ? 2u : 0u);
  }
}

TEST_F(BuildShownTest, SessionWindowDrivesHeadlineToneAndGauge) {
  struct Case {
    double pct;
    Date resetsAt;
    const char* headline;
    Tone tone;
    double gauge;
  } cases[] = {{69.4, testNow + 1, "69%", Tone::normal, 0.694},
               {69.5, testNow + 1, "70%", Tone::orange, 0.695},
               {89.4, testNow + 1, "89%", Tone::orange, 0.894},
               {89.5, testNow + 1, "90%", Tone::red, 0.895},
               {10000, testNow + 1, "10000%", Tone::red, 1},
               {nan, testNow + 1, "0%", Tone::normal, 0},
               {80, testNow, "0%", Tone::normal, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pct);
    const Shown s = live(savedOk(reading("ok", 0, {window("session", c.pct, c.resetsAt)})));
    EXPECT_EQ(s.headline, c.headline);
    EXPECT_EQ(toneName(s.tone), toneName(c.tone));
    EXPECT_DOUBLE_EQ(s.gauge.value_or(-1), c.gauge);
    ASSERT_EQ(s.details.size(), 1u);
    const ShownRow& row = s.details[0];
    EXPECT_EQ(row, (ShownRow{"session", "5-hour limit", c.headline, row.fraction, c.tone, row.reset}));
    EXPECT_DOUBLE_EQ(row.fraction, c.gauge);
  }
  const Shown noSession = live(savedOk(reading("ok", 0, {window("weekly", 95, testNow + day)})));
  EXPECT_EQ(noSession.headline + std::string(toneName(noSession.tone)),
            "\u2013normal");  // weekly's red stays in its row
  EXPECT_EQ(noSession.gauge, std::nullopt);
}

TEST_F(BuildShownTest, RowsKeepTheReadingsOrderAndShowResetOrNotStarted) {
  const Reading r = reading("ok", 0,
                            {window("weekly", 95, testNow + day + hour), window("opus", 12, std::nullopt),
                             window("session", 80, testNow - minute)});
  inBoth("0%|   1일 1시간 뒤 리셋 · 10월 15일 오후 2:10|Opus 7일  0%   아직 시작 전|5시간 한도  0%   리셋됨",
         "0%|   resets in 1d 1h · Oct 15, 2:10 PM|Opus 7-day  0%   not started yet|5-hour limit  0%   reset",
         [&] {
           const Shown s = live(savedOk(r));
           return s.headline + "|" + s.rows[1] + "|" + s.rows[2] + s.rows[3] + "|" + s.rows[4] + s.rows[5];
         });
}

TEST_F(BuildShownTest, FooterPlanAndAge) {
  Reading earlier = reading("ok", 5, {}, "Pro");
  earlier.fetched_at = (testNow - 10 * minute) * 1000.0;
  const Reading readings[] = {reading("ok", 59.9), reading("ok", 60), reading("ok", -hour, {}, "Pro"),
                              earlier};
  inBoth("방금 갱신|갱신 1분 전|Pro · 방금 갱신|Pro · 갱신 10분 전|",
         "updated just now|updated 1 min ago|Pro · updated just now|Pro · updated 10 min ago|", [&] {
           std::string all;
           for (const auto& r : readings) all += live(savedOk(r)).footer.value_or("none") + "|";
           return all;
         });
}

}  // namespace
