#include "monitor/monitor.hpp"

#include "monitor/data_folder.hpp"
#include "monitor/reading_rule.hpp"
#include "store/reading_store.hpp"

Monitor::Monitor(MonitorFiles files, MonitorHooks hooks)
    : files_(std::move(files)), hooks_(std::move(hooks)), notices_(files_.alerts), history_(files_.history) {
  if (!hooks_.log) hooks_.log = [](std::string_view) {};
}

void Monitor::load(EpochSeconds now) {
  dataProblem_ = dataFolderProblem(files_.last.parent_path());
  if (dataProblem_) hooks_.log("readings are not saved: " + *dataProblem_);
  saved_ = Store::load(files_.last, now);
}

std::vector<LimitNotice> Monitor::drain(EpochSeconds now) {
  const std::vector<Reading> burst = queue_.takeAll();
  if (burst.empty()) return {};
  std::vector<LimitNotice> notices;
  const BurstOutcome outcome = applyBurst(saved_, burst, [&](const Reading& reading) {
    for (LimitNotice& notice : notices_.judge(reading, now)) notices.push_back(std::move(notice));
  });
  notices_.save();
  if (outcome.lastIgnored) hooks_.log(ignoredLine(*outcome.lastIgnored));
  if (!outcome.lastAccepted) return notices;
  freshThisSession_ = true;
  Store::save(saved_, files_.last);
  if (saved_.ok && !files_.history.empty()) history_.record(*saved_.ok, now);
  hooks_.log(acceptedLine(*outcome.lastAccepted));
  return notices;
}

bool Monitor::takeListenerRetry() {
  if (listen_.kind != ListenState::Kind::failed && listen_.kind != ListenState::Kind::busy) return false;
  listen_ = ListenState::starting();
  return true;
}

std::optional<Frame> Monitor::frame(EpochSeconds now, bool force) {
  Frame frame{buildShown(saved_, freshThisSession_, listen_, now), {}};
  if (dataProblem_) noteUnsavedReadings(frame.shown);
  frame.glance = glanceOf(frame.shown, trayWindow_);
  // The state file mirrors the listener as well, so a listener change that
  // leaves the model as it was still counts as a change.
  if (!force && lastFrame_ && *lastFrame_ == frame && lastListen_ == listen_) return std::nullopt;
  lastFrame_ = frame;
  lastListen_ = listen_;
  if (hooks_.writeState) hooks_.writeState(frame, listen_, now);
  return frame;
}
