#pragma once
// How long the updater waits on the network and on the new binary. Held in
// one place so that tests can shorten them instead of sleeping.

#include <chrono>

namespace Updater {

struct TimeLimits {
  // The whole feed exchange, connect to last byte: a trickling server must
  // not keep the automatic check's guard set.
  std::chrono::milliseconds feedExchange{15000};
  // A download that receives no byte for this long has stalled.
  std::chrono::milliseconds downloadStall{30000};
  // The whole download, however steadily it trickles.
  std::chrono::milliseconds downloadTotal{std::chrono::minutes(10)};
  // The new binary's answer to --version.
  std::chrono::milliseconds versionRun{5000};
};

// Main thread only.
TimeLimits& timeLimits();

}  // namespace Updater
