#pragma once
// The recorded history of one window cut into its reset cycles, and the
// charts the history window draws from them.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/history_store.hpp"

struct CyclePoint {
  EpochSeconds at = 0;
  double pct = 0;
  bool operator==(const CyclePoint&) const = default;
};

struct UsageCycle {
  EpochSeconds start = 0;  // the reset minus the window's length
  EpochSeconds end = 0;    // the reset
  std::vector<CyclePoint> points;
  std::optional<EpochSeconds> ranOutAt;  // the first reading at 100 % or more
  bool operator==(const UsageCycle&) const = default;
};

// The cycles of the window `key`, oldest first. A reading belongs to the
// cycle of its reset; a reset that moves by less than half a window is the
// same cycle, moved. A reading at or past its own reset stands for 0 % at the
// start of the cycle after it. Readings without the window, or without a
// reset, are gaps.
std::vector<UsageCycle> splitCycles(const std::vector<HistoryEntry>& entries, std::string_view key);

struct UsageChart {
  std::string key;
  UsageCycle current;               // the newest cycle
  std::vector<UsageCycle> earlier;  // the day's sessions, the week before for 7-day windows
  bool operator==(const UsageChart&) const = default;
};

// One chart per window with data, in the panel's order of windows.
std::vector<UsageChart> usageCharts(const std::vector<HistoryEntry>& entries);
