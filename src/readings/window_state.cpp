#include "readings/window_state.hpp"

#include <algorithm>

Effective effective(const UsageWindow& w, Date now) {
  if (!w.resets_at) return {0.0, WinState::notStarted()};
  const Date resetAt = *w.resets_at / 1000.0;
  // Written so that a NaN reset moment counts as passed rather than running.
  if (now < resetAt) return {w.pct, WinState::active(resetAt)};
  return {0.0, WinState::reset()};
}

Date Reading::dataTime() const {
  return std::min(received_at, fetched_at) / 1000.0;
}
