#pragma once
// After a wake from sleep, one automatic check 10 seconds later when the last
// feed is a day old (or the clock went back). The delay lets the network come
// up; a feed received meanwhile cancels the check.

#include <functional>
#include <memory>
#include <optional>

#include "readings/reading.hpp"

namespace Updater {

class WakeSchedule {
 public:
  using Work = std::function<void()>;
  // Runs the work on the main thread after the delay in seconds.
  using Scheduler = std::function<void(double seconds, Work work)>;

  // lastChecked gives the receipt time (epoch ms) as it stands when asked;
  // clock the current time, read when the delayed work runs; autoCheck is
  // the owner's automatic update check.
  WakeSchedule(std::function<std::optional<double>()> lastChecked, std::function<EpochSeconds()> clock,
               Work autoCheck);

  // Replaceable so that tests can run the delay at once and count checks.
  Scheduler scheduleAfterWake;  // default: a single-shot timer
  Work runAutoCheck;

  // True when it scheduled a check.
  bool handleWake(EpochSeconds now);

  bool wakeCheckPending() const { return state_->pending; }

 private:
  struct State {
    bool pending = false;
    std::function<std::optional<double>()> lastChecked;
    std::function<EpochSeconds()> clock;
  };
  // Shared with the delayed work, which does nothing once the schedule is gone.
  std::shared_ptr<State> state_;
};

}  // namespace Updater
