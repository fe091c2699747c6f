#pragma once
// Delivers the limit notices the monitor decides on through the session bus's
// notification service, each window's newest replacing its last.

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include <QDBusConnection>
#include <QObject>

#include "display/limit_alerts.hpp"

class LimitNotifier : public QObject {
  Q_OBJECT
 public:
  using LogLine = std::function<void(std::string_view)>;

  // Without a notification service it says so once through `logLine` and
  // stays quiet otherwise.
  LimitNotifier(QDBusConnection bus, LogLine logLine, QObject* parent = nullptr);

  // `now` words the time to the reset.
  void send(const LimitNotice& notice, EpochSeconds now);

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

  void dispatch(const std::string& key, const Outgoing& outgoing);
  void serviceMissing(const QString& why);

  QDBusConnection bus_;
  LogLine logLine_;
  std::map<std::string, WindowNotices> windows_;
  bool reportedMissing_ = false;
};
