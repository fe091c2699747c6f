#pragma once
// Which limit notices the readings of this run deserve. What was already
// given is kept in alerts.json, so a restart does not say it again.

#include <filesystem>
#include <vector>

#include "display/limit_alerts.hpp"

class LimitWatch {
 public:
  explicit LimitWatch(std::filesystem::path alertsFile);

  // Off: readings pass unjudged, so turning it on later speaks about where
  // usage stands then.
  void setEnabled(bool on) { enabled_ = on; }
  bool enabled() const { return enabled_; }

  // The notices one accepted reading gives, in window order.
  std::vector<LimitNotice> judge(const Reading& reading, EpochSeconds now);

  // Writes what was given when it changed since the last save.
  void save();

 private:
  std::filesystem::path alertsFile_;
  AlertState state_;
  bool dirty_ = false;
  bool enabled_ = true;
};
