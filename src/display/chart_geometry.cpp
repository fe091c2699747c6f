#include "display/chart_geometry.hpp"

#include <algorithm>
#include <cmath>

double ChartFrame::x(double sinceStart) const {
  return left + width * std::clamp(sinceStart / length, 0.0, 1.0);
}

double ChartFrame::y(double pct) const {
  return top + height * (1 - std::clamp(pct, 0.0, 100.0) / 100);
}

ChartPoint ChartFrame::at(const UsageCycle& cycle, const CyclePoint& point) const {
  return {x(point.at - cycle.start), y(point.pct)};
}

std::vector<std::vector<ChartPoint>> usagePolylines(const ChartFrame& frame, const UsageCycle& cycle) {
  std::vector<std::vector<ChartPoint>> lines;
  for (std::size_t i = 0; i < cycle.points.size(); ++i) {
    if (i == 0 || cycle.points[i].at - cycle.points[i - 1].at > chartGapSeconds) lines.emplace_back();
    lines.back().push_back(frame.at(cycle, cycle.points[i]));
  }
  return lines;
}

std::pair<ChartPoint, ChartPoint> paceDiagonal(const ChartFrame& frame) {
  return {{frame.x(0), frame.y(0)}, {frame.x(frame.length), frame.y(100)}};
}

std::optional<std::size_t> nearestReading(const ChartFrame& frame, const UsageCycle& cycle, double x) {
  std::optional<std::size_t> best;
  double bestDistance = 0;
  for (std::size_t i = 0; i < cycle.points.size(); ++i) {
    const double distance = std::fabs(frame.at(cycle, cycle.points[i]).x - x);
    if (!best || distance < bestDistance) {
      best = i;
      bestDistance = distance;
    }
  }
  return best;
}
