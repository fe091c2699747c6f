#include "monitor/limit_watch.hpp"

#include "store/alert_store.hpp"

LimitWatch::LimitWatch(std::filesystem::path alertsFile)
    : alertsFile_(std::move(alertsFile)), state_(AlertStore::load(alertsFile_)) {}

std::vector<LimitNotice> LimitWatch::judge(const Reading& reading, EpochSeconds now) {
  if (!enabled_) return {};
  const AlertState before = state_;
  std::vector<LimitNotice> notices = limitNotices(state_, reading, ReadingSource::bridge, now);
  dirty_ = dirty_ || state_ != before;
  return notices;
}

void LimitWatch::save() {
  if (!dirty_) return;
  AlertStore::save(state_, alertsFile_);
  dirty_ = false;
}
