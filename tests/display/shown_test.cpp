#include <limits>

#include "build_config.hpp"
#include "display_fixture.hpp"

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

using ShownTest = DisplayTest;

Shown live(const Saved& saved, bool fresh = true, const ListenState& listen = ListenState::ready()) {
  return buildShown(saved, fresh, listen, testNow);
}

std::string joined(const std::vector<std::string>& lines) {
  std::string all;
  for (const auto& line : lines) all += line + "\n";
  return all;
}

TEST_F(ShownTest, WorkedExample) {
  inBoth(R"(5시간 한도  42%
   2시간 10분 뒤 리셋 · 오후 3:20
7일 한도  18%
   3일 뒤 리셋 · 10월 17일 오후 1:10
Max 5x · 갱신 1분 전
)",
         R"(5-hour limit  42%
   resets in 2h 10m · 3:20 PM
7-day limit  18%
   resets in 3d · Oct 17, 1:10 PM
Max 5x · updated 1 min ago
)",
         [] {
           const Shown s = live(savedOk(liveReading()));
           return joined(s.rows) + s.footer.value_or("") + "\n";
         });
}

TEST_F(ShownTest, PhasesAndWhatStaysOnScreen) {
  using Phrase = std::pair<std::string, std::string>;
  const std::string site = Build::serviceSite;
  const Phrase waiting{"확장 프로그램을 기다리는 중이에요", "Waiting for the browser extension"},
      signedOut{site + "에 로그인해 주세요", "Log in to " + site + " in your browser"},
      free{"무료 플랜은 사용량 숫자가 없어요", "Free plans don't show usage numbers"},
      error503{"사용량을 못 가져왔어요 (http-503)", "Couldn't get usage (http-503)"},
      error{"사용량을 못 가져왔어요 (error)", "Couldn't get usage (error)"},
      busy{"47615 포트를 다른 프로그램이 쓰고 있어요", "Port 47615 is in use by another app"},
      failed{"사용량을 못 가져왔어요 (listener init failed)", "Couldn't get usage (listener init failed)"};
  const Reading ok = liveReading(), out = reading("signed_out", 0);
  Reading undated = liveReading(), error503Now = reading("error", 0);
  undated.fetched_at = undated.received_at = nan;
  error503Now.error = "http-503";
  const auto ready = ListenState::ready();
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
      {{error503Now, ok}, true, ready, "error", error503, "1 min ago"},
      {{reading("error", 0), ok}, true, ready, "error", error, "1 min ago"},
      {savedOk(liveReading(599)), true, ready, "ok", {}, "9 min ago"},
      {savedOk(liveReading(600)), true, ready, "stale", waiting, "10 min ago"},
      {savedOk(liveReading(5)), false, ready, "stale", waiting, "just now"},  // loaded from disk
      {savedOk(undated), true, ready, "stale", waiting, "just now"},
      {savedOk(ok), true, ListenState::busy(), "port_busy", busy, "1 min ago"},
      {{out, ok}, true, ListenState::failed("listener init failed"), "listen_failed", failed, "1 min ago"},
      {{ok, {}}, true, ready, "ok", {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    isKorean = true;
    EXPECT_EQ(live(c.saved, c.fresh, c.listen).status,
              c.status ? std::optional(c.status->first) : std::nullopt);
    isKorean = false;
    const Shown s = live(c.saved, c.fresh, c.listen);
    EXPECT_EQ(s.phase, c.phase);
    EXPECT_EQ(s.status, c.status ? std::optional(c.status->second) : std::nullopt);
    EXPECT_EQ(s.dim(), c.status.has_value());
    EXPECT_EQ(s.footer, c.age ? std::optional("Max 5x · updated " + *c.age) : std::nullopt);
    EXPECT_EQ(s.headline + std::to_string(s.details.size()), c.age ? "42%2" : "\u20130");
  }
}

TEST_F(ShownTest, SessionWindowDrivesHeadlineToneAndGauge) {
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

TEST_F(ShownTest, RowsKeepTheReadingsOrderAndShowResetOrNotStarted) {
  const Reading r = reading("ok", 0,
                            {window("weekly", 95, testNow + day + hour), window("opus", 12, std::nullopt),
                             window("session", 80, testNow - minute)});
  inBoth(
      "7일 한도  95%\n   1일 1시간 뒤 리셋 · 10월 15일 오후 2:10\nOpus 7일  0%\n   아직 시작 전\n5시간 한도  "
      "0%\n   리셋됨\n",
      "7-day limit  95%\n   resets in 1d 1h · Oct 15, 2:10 PM\nOpus 7-day  0%\n   not started yet\n5-hour "
      "limit  0%\n   reset\n",
      [&] { return joined(live(savedOk(r)).rows); });
}

TEST_F(ShownTest, FooterPlanAndAge) {
  Reading earlier = reading("ok", 5, {}, "Pro");
  earlier.fetched_at = (testNow - 10 * minute) * 1000.0;
  const Reading readings[] = {reading("ok", 59.9), reading("ok", 60), reading("ok", -hour, {}, "Pro"),
                              earlier};
  inBoth("방금 갱신\n갱신 1분 전\nPro · 방금 갱신\nPro · 갱신 10분 전\n",
         "updated just now\nupdated 1 min ago\nPro · updated just now\nPro · updated 10 min ago\n", [&] {
           std::vector<std::string> footers;
           for (const auto& r : readings) footers.push_back(live(savedOk(r)).footer.value_or("none"));
           return joined(footers);
         });
}

TEST_F(ShownTest, RowInksFollowTheToneAndGreyEverythingWhenStale) {
  EXPECT_EQ(rowInks(Tone::normal, false), (RowInks{Ink::label, Ink::blue}));
  EXPECT_EQ(rowInks(Tone::dim, false), (RowInks{Ink::label, Ink::blue}));
  EXPECT_EQ(rowInks(Tone::orange, false), (RowInks{Ink::orange, Ink::orange}));
  EXPECT_EQ(rowInks(Tone::red, false), (RowInks{Ink::red, Ink::red}));
  for (Tone tone : {Tone::normal, Tone::orange, Tone::red, Tone::dim})
    EXPECT_EQ(rowInks(tone, true), (RowInks{Ink::secondary, Ink::secondary})) << toneName(tone);
}

// The status is read before any number it qualifies; headline and plain rows are never spoken.
TEST_F(ShownTest, AccessibilityLabelOrderAndSeparators) {
  Shown s;
  EXPECT_EQ(infoAccessibilityLabel(s), "");
  s.footer = "F";
  EXPECT_EQ(infoAccessibilityLabel(s), "F");
  s.details = {{"k", "A", "1%", 0, Tone::normal, "a"}, {"k", "B", "2%", 0, Tone::red, "b"}};
  s.headline = "99%";
  s.rows = {"x", "y"};
  EXPECT_EQ(infoAccessibilityLabel(s), "A 1%, a. B 2%, b. F");
  s.status = "S";
  EXPECT_EQ(infoAccessibilityLabel(s), "S. A 1%, a. B 2%, b. F");
}

}  // namespace
