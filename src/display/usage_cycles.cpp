#include "display/usage_cycles.hpp"

#include <cmath>

#include "display/pace.hpp"

std::vector<UsageCycle> splitCycles(const std::vector<HistoryEntry>& entries, std::string_view key) {
  std::vector<UsageCycle> cycles;
  const auto length = windowLength(key);
  if (!length) return cycles;
  for (const auto& entry : entries) {
    const UsageWindow* window = nullptr;
    for (const auto& w : entry.windows) {
      if (w.key == key) window = &w;
    }
    if (window == nullptr || !window->resets_at) continue;
    const EpochSeconds at = entry.at / 1000;
    EpochSeconds reset = *window->resets_at / 1000;
    double pct = window->pct;
    if (at >= reset) {
      reset += *length * (std::floor((at - reset) / *length) + 1);
      pct = 0;
    }
    if (cycles.empty() || at >= cycles.back().end || std::fabs(reset - cycles.back().end) > *length / 2) {
      cycles.push_back({reset - *length, reset, {}, {}});
    } else {
      cycles.back().start = reset - *length;
      cycles.back().end = reset;
    }
    UsageCycle& cycle = cycles.back();
    cycle.points.push_back({at, pct});
    if (pct >= 100 && !cycle.ranOutAt) cycle.ranOutAt = at;
  }
  return cycles;
}

std::vector<UsageChart> usageCharts(const std::vector<HistoryEntry>& entries) {
  std::vector<UsageChart> charts;
  for (const std::string_view key : windowOrder) {
    std::vector<UsageCycle> cycles = splitCycles(entries, key);
    if (cycles.empty()) continue;
    UsageChart chart{std::string(key), std::move(cycles.back()), {}};
    cycles.pop_back();
    // Enough to show the usual shape: a day of sessions, or the week before.
    const double lookBack = key == "session" ? 86400 : 7 * 86400;
    for (auto& cycle : cycles) {
      if (cycle.end > chart.current.start - lookBack) chart.earlier.push_back(std::move(cycle));
    }
    charts.push_back(std::move(chart));
  }
  return charts;
}
