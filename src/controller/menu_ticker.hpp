#pragma once
// While a menu or the panel is open, it is drawn again every second, so
// phrases such as "resets in 2h 10m" stay true while the user reads them.

#include <functional>

#include <QObject>

class QTimer;

class MenuTicker : public QObject {
  Q_OBJECT
 public:
  MenuTicker(std::function<void()> tick, QObject* parent = nullptr);

  // Hosts say "opened" more than once; there is still one ticker.
  void opened();
  void closed();
  bool open() const { return open_; }
  bool running() const;

 private:
  QTimer* timer_;
  bool open_ = false;
};
