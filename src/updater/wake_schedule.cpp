#include "updater/wake_schedule.hpp"

#include <QTimer>

#include "store/log.hpp"
#include "updater/update_rules.hpp"

namespace Updater {

namespace {

constexpr double wakeDelay = 10;

}  // namespace

WakeSchedule::WakeSchedule(std::function<std::optional<double>()> lastChecked,
                           std::function<EpochSeconds()> clock, Work autoCheck)
    : scheduleAfterWake([](double seconds, Work work) {
        QTimer::singleShot(std::chrono::milliseconds(std::int64_t(seconds * 1000)), std::move(work));
      }),
      runAutoCheck(std::move(autoCheck)),
      state_(std::make_shared<State>(State{false, std::move(lastChecked), std::move(clock)})) {}

bool WakeSchedule::handleWake(EpochSeconds now) {
  if (state_->pending || !dueOnWake(state_->lastChecked(), now)) {
    log("wake: update check not due");
    return false;
  }
  log("wake: update check due, in 10 s");
  state_->pending = true;
  std::weak_ptr<State> weak = state_;
  // Copied now: the hook may be replaced before the work runs.
  Work check = runAutoCheck;
  scheduleAfterWake(wakeDelay, [weak, check] {
    const auto state = weak.lock();
    if (!state) return;
    state->pending = false;
    if (dueOnWake(state->lastChecked(), state->clock())) check();
  });
  return true;
}

}  // namespace Updater
