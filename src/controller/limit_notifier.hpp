#pragma once
// Desktop notices when a limit gets close, is reached, or resets, through the
// session bus's notification service.

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include <QDBusConnection>
#include <QObject>

#include "display/limit_alerts.hpp"
#include "store/alert_store.hpp"

class LimitNotifier : public QObject {
  Q_OBJECT
 public:
  using LogLine = std::function<void(std::string_view)>;

  // Loads the notices already given from `alertsFile`, which it rewrites
  // whenever a reading changes them. Without a notification service it says
  // so once through `logLine` and stays quiet otherwise.
  LimitNotifier(QDBusConnection bus, std::filesystem::path alertsFile, LogLine logLine,
                QObject* parent = nullptr);

  // Off: readings pass unjudged, so turning it on later speaks about where
  // usage stands then.
  void setEnabled(bool on) { enabled_ = on; }
  bool enabled() const { return enabled_; }

  // A reading the reading rule accepted in this run, and the time it did.
  void readingAccepted(const Reading& reading, EpochSeconds now);

 private:
  struct Outgoing {
    QString title, body;
    uchar urgency = 1;
  };
  // Per window: the service's id of the last notice, so a newer one replaces
  // it, and a notice held back while the previous one still waits for its id.
  struct WindowNotices {
    uint id = 0;
    bool inFlight = false;
    std::optional<Outgoing> waiting;
  };

  void send(const LimitNotice& notice, EpochSeconds now);
  void dispatch(const std::string& key, const Outgoing& outgoing);
  void serviceMissing(const QString& why);

  QDBusConnection bus_;
  std::filesystem::path alertsFile_;
  LogLine logLine_;
  AlertState state_;
  std::map<std::string, WindowNotices> windows_;
  bool enabled_ = true;
  bool reportedMissing_ = false;
};
