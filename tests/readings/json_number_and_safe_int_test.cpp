#include <cmath>
#include <limits>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "readings/reading.hpp"

namespace {

using nlohmann::json;
constexpr double inf = std::numeric_limits<double>::infinity();

TEST(IsJSONNumber, TakesFiniteNumbersOnly) {
  struct Case {
    const char* name;
    json value;
    std::optional<double> want;
  } cases[] = {
      {"null", nullptr, {}},
      {"true", true, {}},
      {"numeric string", "5", {}},
      {"object", json{{"v", 5}}, {}},
      {"NaN value", std::nan(""), {}},
      {"infinite value", inf, {}},
      {"negative infinite value", -inf, {}},
      {"integer", 5, 5.0},
      {"float", 5.5, 5.5},
      {"exact large integer", json::parse("1760421600000"), 1760421600000.0},
      {"largest unsigned", json::parse("18446744073709551615"), 18446744073709551615.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(isJSONNumber(&c.value), c.want);
  }
  EXPECT_EQ(isJSONNumber(nullptr), std::nullopt);
}

TEST(SafeInt, NeverFails) {
  struct Case {
    const char* name;
    double x;
    std::int64_t want;
  } cases[] = {
      {"NaN", std::nan(""), 0},
      {"plus infinity", inf, 9'000'000'000'000'000},
      {"1e300", 1e300, 9'000'000'000'000'000},
      {"the upper bound", 9e15, 9'000'000'000'000'000},
      {"just below the upper bound", 8999999999999999.0, 8'999'999'999'999'999},
      {"minus infinity", -inf, -9'000'000'000'000'000},
      {"-1e300", -1e300, -9'000'000'000'000'000},
      {"the lower bound", -9e15, -9'000'000'000'000'000},
      {"just above the lower bound", -8999999999999999.0, -8'999'999'999'999'999},
      {"positive fraction truncates down", 42.9, 42},
      {"negative fraction truncates up", -42.9, -42},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(safeInt(c.x), c.want);
  }
}

}  // namespace
