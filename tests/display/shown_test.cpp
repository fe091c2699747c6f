#include "build_config.hpp"
#include "display_fixture.hpp"

namespace {

Shown live(const Saved& saved, bool fresh = true, const ListenState& listen = ListenState::ready()) {
  return buildShown(saved, fresh, listen, testNow);
}

TEST_F(DisplayTest, PhasesAndWhatStaysOnScreen) {
  using Phrase = std::pair<std::string, std::string>;
  const std::string site = Build::serviceSite;
  const Phrase waiting{"확장 프로그램을 기다리는 중이에요", "Waiting for the browser extension"},
      signedOut{site + "에 로그인해 주세요", "Log in to " + site + " in your browser"},
      free{"무료 플랜은 사용량 숫자가 없어요", "Free plans don't show usage numbers"},
      busy{"47615 포트를 다른 프로그램이 쓰고 있어요", "Port 47615 is in use by another app"};
  const auto couldNot = [](const std::string& why) {
    return Phrase{"사용량을 못 가져왔어요 (" + why + ")", "Couldn't get usage (" + why + ")"};
  };
  const Reading ok = liveReading(), out = reading("signed_out", 0),
                err = reading("error", 0, {}, {}, "http-503");
  Reading undated = liveReading();
  undated.fetched_at = undated.received_at = notANumber;
  const auto ready = ListenState::ready(), down = ListenState::failed("listener init failed");
  struct Case {
    Saved saved;
    bool fresh;
    ListenState listen;
    const char* phase;
    Phrase status;                   // empty when there is nothing to explain
    std::optional<std::string> age;  // in the footer; absent when no numbers are shown
  } cases[] = {
      {{}, false, ready, "waiting_first", waiting, {}},
      {{out, liveReading(2 * hour)}, true, ready, "signed_out", signedOut, "2 hr ago"},
      {{reading("no_data", 0), ok}, true, ready, "no_data", free, {}},  // hides the older numbers
      {{err, ok}, true, ready, "error", couldNot("http-503"), "1 min ago"},
      {{reading("error", 0), ok}, true, ready, "error", couldNot("error"), "1 min ago"},
      {savedOk(liveReading(599)), true, ready, "ok", {}, "9 min ago"},
      {savedOk(liveReading(600)), true, ready, "stale", waiting, "10 min ago"},
      {savedOk(liveReading(5)), false, ready, "stale", waiting, "just now"},  // loaded from disk
      {savedOk(undated), true, ready, "stale", waiting, "just now"},
      {savedOk(ok), true, ListenState::busy(), "port_busy", busy, "1 min ago"},
      {{out, ok}, true, down, "listen_failed", couldNot(down.text), "1 min ago"},
      {{ok, {}}, true, ready, "ok", {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    inBoth(c.status.first, c.status.second,
           [&] { return live(c.saved, c.fresh, c.listen).status.value_or(""); });
    const Shown s = live(c.saved, c.fresh, c.listen);
    EXPECT_EQ(s.phase, c.phase);
    EXPECT_EQ(s.dim(), !c.status.first.empty());
    EXPECT_EQ(s.footer, c.age ? std::optional("Max 5x · updated " + *c.age) : std::nullopt);
    EXPECT_EQ(s.headline + std::to_string(s.details.size()), c.age ? "42%2" : "\u20130");
  }
}

TEST_F(DisplayTest, SessionWindowDrivesHeadlineToneGaugeAndBarRowsFollowTheReading) {
  struct Case {
    double pct;
    const char* headline;
    Tone tone;
    double gauge;
  } cases[] = {{69.4, "69%", Tone::normal, 0.694}, {69.5, "70%", Tone::orange, 0.695},
               {89.4, "89%", Tone::orange, 0.894}, {89.5, "90%", Tone::red, 0.895},
               {14.5, "15%", Tone::normal, 0.145}, {28.5, "29%", Tone::normal, 0.285},
               {56.5, "57%", Tone::normal, 0.565}, {57.5, "58%", Tone::normal, 0.575},
               {10000, "10000%", Tone::red, 1},    {notANumber, "0%", Tone::normal, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pct);
    const Saved saved = savedOk(reading("ok", 0, {window("session", c.pct, testNow + 1)}));
    const Shown s = live(saved);
    EXPECT_EQ(s.headline, c.headline);
    EXPECT_EQ(toneName(s.tone), toneName(c.tone));
    EXPECT_DOUBLE_EQ(s.gauge.value_or(-1), c.gauge);
    // The session row's bar shows the same fraction as the gauge.
    EXPECT_EQ(s.details.at(0), (ShownRow{"session", "5-hour limit", c.headline, s.gauge.value_or(-1), c.tone,
                                         s.details[0].reset, 1.0, s.details[0].value}));
  }
  // Rows keep the reading's order and show each window's state; the headline and its tone come from
  // the session window wherever it is, so the weekly window's red stays in its row.
  const Reading odd = reading("ok", 0,
                              {window("weekly", 95, testNow + day + hour), window("opus", 12, std::nullopt),
                               window("session", 80, testNow)});
  const Shown oddShown = live(savedOk(odd));
  EXPECT_EQ(oddShown.headline + std::string(toneName(oddShown.tone)), "0%normal");
  inBoth(
      "7일 한도  95%\n   1일 1시간 뒤 리셋 · 10월 15일 오후 2:10\nOpus 7일  0%\n   아직 시작 전\n"
      "5시간 한도  0%\n   리셋됨\n",
      "7-day limit  95%\n   resets in 1d 1h · Oct 15, 2:10 PM\nOpus 7-day  0%\n   not started yet\n"
      "5-hour limit  0%\n   reset\n",
      [&] {
        std::string all;
        for (const std::string& row : live(savedOk(odd)).rows) all += row + "\n";
        return all;
      });
}

}  // namespace
