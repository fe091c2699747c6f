#pragma once
// What the running app does with readings, without any toolkit: readings come
// in from the bridge (any thread) or from disk at launch; the reading rule
// folds each burst into the saved pair, which is written to last.json, the
// history and the limit notices; the listener's state is followed; and one
// `Shown` is handed up whenever what the tray should draw has changed. Time
// always comes in as a parameter. Everything but enqueue() runs on the one
// thread the caller chooses (the event loop's).

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bridge/listen_state.hpp"
#include "display/limit_alerts.hpp"
#include "display/shown.hpp"
#include "display/tray_choice.hpp"
#include "monitor/limit_watch.hpp"
#include "monitor/reading_queue.hpp"
#include "store/history_store.hpp"

struct MonitorFiles {
  std::filesystem::path last;     // the saved pair
  std::filesystem::path alerts;   // the notices already given
  std::filesystem::path history;  // the usage history; empty: none is kept
};

// What the tray draws: the whole model for the panel, and the window the
// user chose to see at a glance.
struct Frame {
  Shown shown;
  Glance glance;
  bool operator==(const Frame&) const = default;
};

struct MonitorHooks {
  std::function<void(std::string_view)> log;
  // Mirrors each frame handed up, with the listener and the time it was made
  // (state.json, when that is enabled).
  std::function<void(const Frame&, const ListenState&, EpochSeconds)> writeState;
};

class Monitor {
 public:
  Monitor(MonitorFiles files, MonitorHooks hooks);

  // At launch: the saved pair from disk, and whether the data folder can
  // keep anything (logged once when it cannot).
  void load(EpochSeconds now);
  const std::optional<std::string>& dataProblem() const { return dataProblem_; }

  // Safe from any thread. True when the queue was idle: the caller then
  // arranges one drain, which takes the readings that follow with it.
  bool enqueue(Reading reading) { return queue_.push(std::move(reading)); }

  // The queued readings through the reading rule, in arrival order: the pair
  // is saved once, the history gets the ok reading, and the notices the
  // accepted readings deserve come back for delivery.
  std::vector<LimitNotice> drain(EpochSeconds now);

  void setListen(const ListenState& state) { listen_ = state; }
  // True when the listener is busy or failed and should be started again;
  // it then counts as starting.
  bool takeListenerRetry();

  // Which window the tray shows; the next frame follows it.
  void setTrayWindow(TrayWindow choice) { trayWindow_ = choice; }
  TrayWindow trayWindow() const { return trayWindow_; }

  // The frame to draw at `now`: absent when it and the listener are as they
  // were when the last one was handed up, unless `force`. Each frame handed
  // up is also mirrored through writeState.
  std::optional<Frame> frame(EpochSeconds now, bool force);

  LimitWatch& notices() { return notices_; }
  const Saved& saved() const { return saved_; }
  bool freshThisSession() const { return freshThisSession_; }
  const ListenState& listen() const { return listen_; }
  const std::optional<Frame>& lastFrame() const { return lastFrame_; }

 private:
  MonitorFiles files_;
  MonitorHooks hooks_;
  ReadingQueue queue_;
  LimitWatch notices_;
  History::Recorder history_;
  Saved saved_;
  bool freshThisSession_ = false;
  ListenState listen_ = ListenState::starting();
  std::optional<std::string> dataProblem_;
  TrayWindow trayWindow_ = TrayWindow::session;
  std::optional<Frame> lastFrame_;
  ListenState lastListen_;
};
