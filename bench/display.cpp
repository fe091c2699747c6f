// buildShown runs every second while the menu is open, and once per reading.
#include <benchmark/benchmark.h>

#include "display/phrases.hpp"
#include "display/shown.hpp"

namespace {

constexpr EpochSeconds now = 1791951000.0;

Saved sixWindows() {
  Reading r;
  r.status = "ok";
  r.plan = "Max 5x";
  r.fetched_at = r.received_at = (now - 90) * 1000.0;
  const double ahead[] = {2 * 3600 + 600, 3 * 86400 + 7200, 86400 * 5, 3600 * 30, 45 * 60, 6 * 86400};
  const double pct[] = {42.3, 18, 75.5, 91, 0, 12};
  int i = 0;
  for (std::string_view key : windowOrder) {
    r.windows.push_back(UsageWindow{std::string(key), pct[i], (now + ahead[i]) * 1000.0});
    ++i;
  }
  return Saved{r, r};
}

void BM_BuildShownSixWindows(benchmark::State& state) {
  isKorean = state.range(0) != 0;
  initFormatters();
  const Saved saved = sixWindows();
  for (auto _ : state) {
    Shown shown = buildShown(saved, true, ListenState::ready(), now);
    benchmark::DoNotOptimize(shown);
  }
  isKorean = false;
}
BENCHMARK(BM_BuildShownSixWindows)->Arg(0)->Arg(1)->ArgName("korean");

void BM_InfoAccessibilityLabel(benchmark::State& state) {
  const Shown shown = buildShown(sixWindows(), true, ListenState::ready(), now);
  for (auto _ : state) {
    std::string label = infoAccessibilityLabel(shown);
    benchmark::DoNotOptimize(label);
  }
}
BENCHMARK(BM_InfoAccessibilityLabel);

}  // namespace
