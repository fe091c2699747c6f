#include "controller/update_schedule.hpp"

#include <chrono>

#include <QPointer>
#include <QTimer>

#include "links/site_links.hpp"
#include "updater/feed_receipt.hpp"
#include "updater/support_switch.hpp"
#include "updater/update_rules.hpp"
#include "updater/wake_watcher.hpp"

namespace {

// The first check waits for the desktop session to settle.
constexpr int firstCheckMs = 10000;

}  // namespace

UpdateSchedule::UpdateSchedule(Updater::UpdaterServices services, std::filesystem::path updateFile,
                               std::function<EpochSeconds()> now, QObject* parent)
    : QObject(parent),
      updateFile_(std::move(updateFile)),
      now_(std::move(now)),
      updates_(std::move(services)),
      wake_([this] { return state_.checked_at; }, [this] { return now_(); },
            [this] { updates_.check(false); }) {
  updates_.services().onFeed = [self = QPointer<UpdateSchedule>(this)](
                                   const std::optional<std::string>& support, EpochSeconds at) {
    if (self) self->feedArrived(support, at);
  };
  updates_.services().now = now_;
}

void UpdateSchedule::load() {
  state_ = UpdateStore::load(updateFile_);
  emit supportVisible(Links::supportSwitchOn(state_.support));
}

void UpdateSchedule::start(bool atOnce) {
  if (atOnce) {
    updates_.services().autoInstall = true;
    updates_.check(false);
  } else {
    QTimer::singleShot(firstCheckMs, this, [this] { updates_.check(false); });
  }
  dailyCheck_ = new QTimer(this);
  dailyCheck_->setInterval(std::chrono::milliseconds(std::int64_t(Updater::interval * 1000)));
  connect(dailyCheck_, &QTimer::timeout, this, [this] { updates_.check(false); });
  dailyCheck_->start();
  wakeWatcher_ = new Updater::WakeWatcher(this);
  connect(wakeWatcher_, &Updater::WakeWatcher::woke, this, [this] { handleWake(now_()); });
}

void UpdateSchedule::feedArrived(const std::optional<std::string>& support, EpochSeconds at) {
  if (const auto nowOn = Updater::receiveFeed(state_, support, at, updateFile_)) emit supportVisible(*nowOn);
}
