#include "controller/menu_ticker.hpp"

#include <QTimer>

namespace {

constexpr int tickMs = 1000;

}  // namespace

MenuTicker::MenuTicker(std::function<void()> tick, QObject* parent)
    : QObject(parent), timer_(new QTimer(this)) {
  timer_->setInterval(tickMs);
  connect(timer_, &QTimer::timeout, this, std::move(tick));
}

void MenuTicker::opened() {
  open_ = true;
  timer_->start();
}

void MenuTicker::closed() {
  open_ = false;
  timer_->stop();
}

bool MenuTicker::running() const {
  return timer_->isActive();
}
