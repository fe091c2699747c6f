#include "build_config.hpp"
#include "display/shown.hpp"
#include "display_clock.hpp"
#include "display_samples.hpp"

namespace {

using AccessibilityLabelTest = DisplayTest;

ShownRow row(const char* label, const char* pct, const char* reset) {
  return ShownRow{"k", label, pct, 0, Tone::normal, reset};
}

Shown model(std::optional<std::string> status, std::vector<ShownRow> details,
            std::optional<std::string> footer) {
  Shown s;
  s.status = std::move(status);
  s.details = std::move(details);
  s.footer = std::move(footer);
  return s;
}

TEST_F(AccessibilityLabelTest, OrderAndSeparators) {
  Shown noisy = model(std::nullopt, {row("A", "1%", "a")}, std::nullopt);
  noisy.headline = "99%";
  noisy.rows = {"x", "y"};
  noisy.phase = "stale";
  struct Case {
    const char* name;
    Shown shown;
    const char* want;
  } cases[] = {
      {"empty", model(std::nullopt, {}, std::nullopt), ""},
      {"status only", model("Waiting for the browser extension", {}, std::nullopt),
       "Waiting for the browser extension"},
      {"footer only", model(std::nullopt, {}, "updated just now"), "updated just now"},
      {"status, rows, footer", model("S", {row("A", "1%", "a"), row("B", "2%", "b")}, "F"),
       "S. A 1%, a. B 2%, b. F"},
      {"rows without status or footer", model(std::nullopt, {row("A", "1%", "a")}, std::nullopt), "A 1%, a"},
      // Only status, details and footer are spoken; the plain-text rows and headline are not.
      {"ignores headline, rows and phase", noisy, "A 1%, a"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(infoAccessibilityLabel(c.shown), c.want);
  }
}

TEST_F(AccessibilityLabelTest, SpeaksWhatTheModelShows) {
  const std::string site = Build::serviceSite;
  const Reading resetSession = reading("ok", 0, {window("session", 80, testNow - minute)});
  struct Case {
    const char* name;
    Saved saved;
    const char* ko;
    const char* en;
  } cases[] = {
      {"live reading", savedOk(liveReading()),
       "5시간 한도 42%, 2시간 10분 뒤 리셋 · 오후 3:20. 7일 한도 18%, 3일 뒤 리셋 · 10월 17일 오후 1:10. "
       "Max 5x · 갱신 1분 전",
       "5-hour limit 42%, resets in 2h 10m · 3:20 PM. 7-day limit 18%, resets in 3d · Oct 17, 1:10 PM. "
       "Max 5x · updated 1 min ago"},
      {"session reset", savedOk(resetSession), "5시간 한도 0%, 리셋됨. 방금 갱신",
       "5-hour limit 0%, reset. updated just now"},
      {"nothing stored", {}, "확장 프로그램을 기다리는 중이에요", "Waiting for the browser extension"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    inBoth(c.ko, c.en,
           [&] { return infoAccessibilityLabel(buildShown(c.saved, true, ListenState::ready(), testNow)); });
  }

  isKorean = true;
  const Reading old = reading("ok", 0, {window("session", 6, testNow + 25 * minute)});
  const Shown signedOut = buildShown({reading("signed_out", 0), old}, true, ListenState::ready(), testNow);
  EXPECT_EQ(infoAccessibilityLabel(signedOut),
            site + "에 로그인해 주세요. 5시간 한도 6%, 25분 뒤 리셋. 방금 갱신");
}

}  // namespace
