#pragma once
// Tells when the computer has woken from sleep, as logind announces it on the
// system bus.

#include <QDBusConnection>
#include <QObject>

namespace Updater {

class WakeWatcher : public QObject {
  Q_OBJECT

 public:
  // Listens on the system bus; without one, logs a line and never emits.
  explicit WakeWatcher(QObject* parent = nullptr);
  WakeWatcher(const QDBusConnection& bus, QObject* parent);

  bool listening() const { return listening_; }

 signals:
  void woke();

 private slots:
  void prepareForSleep(bool sleeping);

 private:
  bool listening_ = false;
};

}  // namespace Updater
