#include <algorithm>

#include "readings/reading.hpp"

bool isWindowKey(std::string_view key) {
  return std::find(windowOrder.begin(), windowOrder.end(), key) != windowOrder.end();
}

bool isKnownStatus(std::string_view status) {
  return std::find(knownStatuses.begin(), knownStatuses.end(), status) != knownStatuses.end();
}
