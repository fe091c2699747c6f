#pragma once
// Which readings from the bridge the app keeps, and how a burst of them is
// folded into the stored pair.

#include <functional>
#include <optional>
#include <span>
#include <string>

#include "readings/reading.hpp"

// An "ok" reading is always kept. Any other status is dropped while a kept ok
// reading is less than five minutes older, so a passing sign-out or fetch error
// does not hide numbers that are still good.
bool readingAccepted(const Saved& saved, const Reading& reading);

// Makes an accepted reading the latest; "ok" also becomes the ok reading and
// "no_data" drops it.
void keepReading(Saved& saved, const Reading& reading);

// What one burst of queued readings did to the pair, applied in arrival order.
struct BurstOutcome {
  std::optional<Reading> lastAccepted;
  std::optional<Reading> lastIgnored;
  int accepted = 0;
  int ignored = 0;
};

// `accepted` hears each kept reading as it is kept.
BurstOutcome applyBurst(Saved& saved, std::span<const Reading> readings,
                        const std::function<void(const Reading&)>& accepted = {});

// The log lines of the reading rule.
std::string acceptedLine(const Reading& reading);
std::string ignoredLine(const Reading& reading);
