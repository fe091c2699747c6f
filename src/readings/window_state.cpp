#include "readings/window_state.hpp"

#include <algorithm>

Effective effective(const UsageWindow& w, EpochSeconds now) {
  if (!w.resets_at) return {0.0, WinState::notStarted()};
  const EpochSeconds resetAt = *w.resets_at / 1000.0;
  // Written so that a NaN reset moment counts as passed rather than running.
  if (now < resetAt) return {w.pct, WinState::active(resetAt)};
  return {0.0, WinState::reset()};
}

EpochSeconds Reading::dataTime() const {
  return std::min(received_at, fetched_at) / 1000.0;
}
