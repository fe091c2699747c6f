#include "updater/time_limits.hpp"

namespace Updater {

TimeLimits& timeLimits() {
  static TimeLimits limits;
  return limits;
}

}  // namespace Updater
