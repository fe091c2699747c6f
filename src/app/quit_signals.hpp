#pragma once
// Ends the event loop on SIGTERM, SIGINT and SIGHUP (a session ending, kill,
// Ctrl+C), the same way the Quit command does. A signal handler may do almost
// nothing, so it only writes a byte that the event loop then reads.

#include <QObject>

class QSocketNotifier;

class QuitOnSignals : public QObject {
  Q_OBJECT
 public:
  explicit QuitOnSignals(QObject* parent = nullptr);
  ~QuitOnSignals() override;

 signals:
  void quitRequested(int signal);

 private:
  void onReadable();
  QSocketNotifier* notifier_ = nullptr;
};
