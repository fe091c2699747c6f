#pragma once
// Pace: where a window's usage would stand if it were spent evenly over the
// window, and whether the rate so far runs it out before the reset.

#include <optional>
#include <string>
#include <string_view>

#include "readings/reading.hpp"

// The window's length in seconds: 5 hours for the session, 7 days for the
// weekly and per-model windows; absent for a key we know nothing about.
std::optional<double> windowLength(std::string_view key);

struct Pace {
  double share = 0;                       // part of the window that has passed, 0 … 1
  EpochSeconds resetsAt = 0;              // the window's reset moment
  std::optional<EpochSeconds> runsOutAt;  // when the average rate so far reaches 100 %,
                                          // present only when that comes before the reset
  bool operator==(const Pace&) const = default;
};

// Absent unless the window's length is known and its reset lies ahead of
// `now`. A reset farther ahead than one window length counts as just started.
std::optional<Pace> paceOf(const UsageWindow& window, EpochSeconds now);

// "at this pace: out about 40m before the reset"; absent when the window is
// not projected to run out before its reset.
std::optional<std::string> runOutText(const Pace& pace);
