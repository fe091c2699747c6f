#include <cmath>

#include "readings/reading.hpp"

std::int64_t safeInt(double x) {
  constexpr double limit = 9'000'000'000'000'000.0;
  if (std::isnan(x)) return 0;
  if (x >= limit) return 9'000'000'000'000'000;
  if (x <= -limit) return -9'000'000'000'000'000;
  return static_cast<std::int64_t>(x);
}
