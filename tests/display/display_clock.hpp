#pragma once
// Display tests run in one fixed zone at one fixed moment, so clock texts do
// not depend on the machine that runs them.

#include <gtest/gtest.h>
#include <unicode/timezone.h>

#include <functional>

#include "display/phrases.hpp"

// 2026-10-14 13:10:00 in Seoul (04:10 UTC).
inline constexpr Date testNow = 1791951000.0;
inline constexpr double minute = 60.0;
inline constexpr double hour = 3600.0;
inline constexpr double day = 86400.0;

inline void pinSeoulClock() {
  static const bool pinned = [] {
    icu::TimeZone::adoptDefault(icu::TimeZone::createTimeZone("Asia/Seoul"));
    initFormatters();
    return true;
  }();
  (void)pinned;
}

class DisplayTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { pinSeoulClock(); }
  void TearDown() override { isKorean = false; }

  // Runs `check` once per language with the matching expectation.
  static void inBoth(const std::string& ko, const std::string& en, const std::function<std::string()>& make) {
    isKorean = true;
    EXPECT_EQ(make(), ko) << "Korean";
    isKorean = false;
    EXPECT_EQ(make(), en) << "English";
  }
};
