#include "display/phrase_clock.hpp"

#include <cmath>

std::optional<EpochSeconds> nextPhraseChange(const Saved& saved, EpochSeconds now) {
  std::optional<EpochSeconds> next;
  const auto consider = [&](EpochSeconds anchor) {
    if (!std::isfinite(anchor) || !std::isfinite(now)) return;
    const EpochSeconds mark = anchor + 60 * (std::floor((now - anchor) / 60) + 1);
    if (!next || mark < *next) next = mark;
  };
  for (const auto* reading : {&saved.latest, &saved.ok}) {
    if (!*reading) continue;
    consider((*reading)->dataTime());
    for (const auto& window : (*reading)->windows) {
      if (window.resets_at) consider(*window.resets_at / 1000);
    }
  }
  return next;
}
