#pragma once
// Display tests run in one fixed zone at one fixed moment, so clock texts do
// not depend on the machine that runs them.

#include <gtest/gtest.h>
#include <unicode/timezone.h>

#include <functional>
#include <limits>
#include <tuple>

#include "display/phrases.hpp"
#include "display/shown.hpp"

// 2026-10-14 13:10:00 in Seoul (04:10 UTC).
inline constexpr EpochSeconds testNow = 1791951000.0;
inline constexpr double minute = 60.0, hour = 3600.0, day = 86400.0;
inline constexpr double infinity = std::numeric_limits<double>::infinity(),
                        notANumber = std::numeric_limits<double>::quiet_NaN();

class DisplayTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    icu::TimeZone::adoptDefault(icu::TimeZone::createTimeZone("Asia/Seoul"));
    initFormatters();
  }
};

inline void inBoth(const std::string& ko, const std::string& en, const std::function<std::string()>& make) {
  isKorean = true;
  EXPECT_EQ(make(), ko) << "Korean";
  isKorean = false;
  EXPECT_EQ(make(), en) << "English";
}

// Rows of an input and what `make` gives for it in Korean and in English.
using BothWays = std::tuple<double, const char*, const char*>;
inline void inBothEach(const std::vector<BothWays>& rows, const std::function<std::string(double)>& make) {
  for (const auto& [x, ko, en] : rows) inBoth(ko, en, [&make, x = x] { return make(x); });
}

inline UsageWindow window(std::string key, double pct, std::optional<EpochSeconds> resetsAt) {
  return {std::move(key), pct, resetsAt ? std::optional(*resetsAt * 1000.0) : std::nullopt};
}

// A reading whose data is `age` seconds old at testNow.
inline Reading reading(std::string status, double age, std::vector<UsageWindow> windows = {},
                       std::optional<std::string> plan = {}, std::optional<std::string> error = {}) {
  const double at = (testNow - age) * 1000.0;
  return {std::move(status), std::move(error), std::move(plan), at, at, std::move(windows)};
}

// Session 42.3 % resetting at 15:20, weekly 18 % resetting in three days, plan "Max 5x".
inline Reading liveReading(double age = minute) {
  const EpochSeconds session = testNow + 2 * hour + 10 * minute, weekly = testNow + 3 * day;
  return reading("ok", age, {window("session", 42.3, session), window("weekly", 18, weekly)}, "Max 5x");
}

inline Saved savedOk(const Reading& r) {
  return Saved{r, r};
}
