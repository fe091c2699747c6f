#pragma once
// One window's usage chart drawn with the panel's inks and fonts: the
// current cycle's usage over the even pace, the earlier cycles faded behind
// it, now, the reset, and the time the window ran out.

#include <optional>

#include <QRectF>

#include "display/chart_geometry.hpp"
#include "views/info_layout.hpp"

class QPainter;

// Logical height of one chart; it reads at any width from about 360.
inline constexpr double usageChartHeight = 190;

// The plot area of a chart drawn into `box`.
ChartFrame usageChartFrame(const QRectF& box, const UsageChart& chart, const PanelLook& look);

// `focused` is a reading of the current cycle to label (hover or keyboard).
void paintUsageChart(QPainter& painter, const QRectF& box, const UsageChart& chart, EpochSeconds now,
                     const PanelLook& look, std::optional<std::size_t> focused);

// "Oct 18, 3:20 PM · 42%", in the interface language.
std::string readingLabel(const CyclePoint& point);
