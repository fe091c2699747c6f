#include <cmath>

#include "readings/reading.hpp"

namespace {

// The negated form sends NaN and the infinities to the rejecting side.
bool withinTimeSpan(double ms, double nowMs) {
  return std::fabs(ms - nowMs) <= timeSpanMs;
}

}  // namespace

std::optional<Reading> sanitizeReading(const Reading& reading, EpochSeconds now) {
  const double nowMs = now * 1000.0;
  if (!isKnownStatus(reading.status)) return std::nullopt;
  if (!withinTimeSpan(reading.fetched_at, nowMs)) return std::nullopt;
  if (!withinTimeSpan(reading.received_at, nowMs)) return std::nullopt;

  Reading out;
  out.status = reading.status;
  out.fetched_at = reading.fetched_at;
  out.received_at = reading.received_at;
  out.error = cleanText(reading.error, textLimit);
  out.plan = cleanText(reading.plan, textLimit);

  std::array<std::optional<UsageWindow>, windowOrder.size()> byKey;
  for (const auto& window : reading.windows) {
    std::size_t index = 0;
    while (index < windowOrder.size() && windowOrder[index] != window.key) ++index;
    if (index == windowOrder.size()) continue;
    if (!std::isfinite(window.pct)) continue;
    if (byKey[index]) continue;

    UsageWindow kept = window;
    if (kept.resets_at && !withinTimeSpan(*kept.resets_at, nowMs)) kept.resets_at.reset();
    if (kept.pct <= 0) kept.pct = 0.0;
    if (kept.pct > maxPct) kept.pct = maxPct;
    byKey[index] = std::move(kept);
  }
  for (auto& window : byKey) {
    if (window) out.windows.push_back(std::move(*window));
  }
  return out;
}
