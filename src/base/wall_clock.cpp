#include "base/wall_clock.hpp"

#include <chrono>

EpochSeconds wallClockNow() {
  return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}
