#pragma once
// When the app looks for updates: 10 seconds after launch (at once with
// --update-now), daily, after a wake that finds the last feed a day old, and
// on the menu command. A received feed updates update.json and the support
// entry's visibility.

#include <filesystem>
#include <functional>

#include <QObject>

#include "store/update_store.hpp"
#include "updater/update_check.hpp"
#include "updater/wake_schedule.hpp"

class QTimer;
namespace Updater {
class WakeWatcher;
}

class UpdateSchedule : public QObject {
  Q_OBJECT
 public:
  UpdateSchedule(Updater::UpdaterServices services, std::filesystem::path updateFile,
                 std::function<EpochSeconds()> now, QObject* parent = nullptr);

  // Loads update.json and says whether the support entry shows.
  void load();
  // The automatic checks; `atOnce` checks now and installs without asking.
  void start(bool atOnce);
  void checkFromMenu() { updates_.check(true); }

  // Runs on every wake from sleep; true when it scheduled a check.
  bool handleWake(EpochSeconds now) { return wake_.handleWake(now); }
  void feedArrived(const std::optional<std::string>& support, EpochSeconds at);

  Updater::Updates& updates() { return updates_; }
  // Its scheduleAfterWake and runAutoCheck hooks are replaceable.
  Updater::WakeSchedule& wakeSchedule() { return wake_; }
  const UpdateState& state() const { return state_; }
  // Present once start() has run.
  QTimer* dailyCheck() const { return dailyCheck_; }
  Updater::WakeWatcher* wakeWatcher() const { return wakeWatcher_; }

 signals:
  void supportVisible(bool visible);

 private:
  std::filesystem::path updateFile_;
  std::function<EpochSeconds()> now_;
  UpdateState state_;
  Updater::Updates updates_;
  Updater::WakeSchedule wake_;
  QTimer* dailyCheck_ = nullptr;
  Updater::WakeWatcher* wakeWatcher_ = nullptr;
};
