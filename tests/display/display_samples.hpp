#pragma once
// Readings for display tests, timed relative to testNow.

#include <optional>
#include <string>
#include <vector>

#include "display_clock.hpp"
#include "readings/reading.hpp"

inline UsageWindow window(std::string key, double pct, std::optional<Date> resetsAt) {
  UsageWindow w;
  w.key = std::move(key);
  w.pct = pct;
  if (resetsAt) w.resets_at = *resetsAt * 1000.0;
  return w;
}

// A reading whose data is `age` seconds old at testNow.
inline Reading reading(std::string status, double age, std::vector<UsageWindow> windows = {},
                       std::optional<std::string> plan = std::nullopt,
                       std::optional<std::string> error = std::nullopt) {
  Reading r;
  r.status = std::move(status);
  r.error = std::move(error);
  r.plan = std::move(plan);
  r.fetched_at = r.received_at = (testNow - age) * 1000.0;
  r.windows = std::move(windows);
  return r;
}

// Session 42.3 % resetting at 15:20, weekly 18 % resetting in three days, plan "Max 5x".
inline Reading liveReading(double age = minute) {
  return reading(
      "ok", age,
      {window("session", 42.3, testNow + 2 * hour + 10 * minute), window("weekly", 18, testNow + 3 * day)},
      "Max 5x");
}

inline Saved savedOk(const Reading& r) {
  return Saved{r, r};
}
