#pragma once
// Where the usage chart puts things: time across a cycle's length, percent
// up the plot. Earlier cycles share the current one's frame, each measured
// from its own start, so their shapes lie over one another.

#include <optional>
#include <utility>
#include <vector>

#include "display/usage_cycles.hpp"

struct ChartPoint {
  double x = 0;
  double y = 0;
  bool operator==(const ChartPoint&) const = default;
};

struct ChartFrame {
  double left = 0, top = 0, width = 0, height = 0;  // the plot area
  double length = 1;                                // the window's length in seconds

  // `sinceStart` seconds into a cycle, clamped to the plot.
  double x(double sinceStart) const;
  // 0 % at the bottom, 100 % at the top; more than 100 % stays on the top.
  double y(double pct) const;
  ChartPoint at(const UsageCycle& cycle, const CyclePoint& point) const;
};

// Readings further apart than this leave a gap: the file holds at least one
// line every ten minutes while readings arrive.
inline constexpr double chartGapSeconds = 15 * 60;

// The cycle's usage line, broken where readings are missing.
std::vector<std::vector<ChartPoint>> usagePolylines(const ChartFrame& frame, const UsageCycle& cycle);

// The even pace: from 0 % at the cycle's start to 100 % at its reset.
std::pair<ChartPoint, ChartPoint> paceDiagonal(const ChartFrame& frame);

// The reading of `cycle` drawn nearest to `x`; absent without readings.
std::optional<std::size_t> nearestReading(const ChartFrame& frame, const UsageCycle& cycle, double x);
