#pragma once
// Version order and the timing of update checks.

#include <optional>
#include <string_view>

#include "readings/reading.hpp"

namespace Updater {

// Seconds between automatic checks, and how old the last received feed must
// be before a wake from sleep checks again.
inline constexpr double interval = 86400;

// Whether version a is strictly newer than b: dot-separated decimal pieces,
// empty pieces dropped, a piece that is not a plain decimal (or overflows)
// counting as 0, missing positions as 0.
bool newer(std::string_view a, std::string_view b);

// Whether a wake should check: never received, a day or more since the last
// receipt (epoch ms), or the clock more than five minutes behind it.
bool dueOnWake(std::optional<double> lastChecked, EpochSeconds now);

}  // namespace Updater
