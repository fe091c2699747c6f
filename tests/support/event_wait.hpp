#pragma once
// Waiting on the event loop, for tests whose work arrives through it.

#include <chrono>
#include <functional>

#include <QCoreApplication>
#include <QThread>

// Runs the event loop until pred holds (true) or for at most `ms` (false).
inline bool waitUntil(const std::function<bool()>& pred, int ms = 10000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!pred()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(2);
  }
  return true;
}

// Runs the event loop for `ms`, so that queued work (replies, timers, finished threads) happens.
inline void settle(int ms = 100) {
  waitUntil([] { return false; }, ms);
}
