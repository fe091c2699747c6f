#include <cmath>

#include "readings/json_access.hpp"
#include "readings/reading.hpp"

std::optional<double> isJSONNumber(const nlohmann::json* value) {
  const auto x = readings_detail::anyNumber(value);
  if (!x || !std::isfinite(*x)) return std::nullopt;
  return x;
}
