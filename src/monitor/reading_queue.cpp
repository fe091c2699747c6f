#include "monitor/reading_queue.hpp"

bool ReadingQueue::push(Reading reading) {
  std::lock_guard lock(mutex_);
  if (capacity_ > 0 && queue_.size() >= capacity_) {
    queue_.pop_front();
    ++dropped_;
  }
  queue_.push_back(std::move(reading));
  if (drainPending_) return false;
  drainPending_ = true;
  return true;
}

std::vector<Reading> ReadingQueue::takeAll() {
  std::lock_guard lock(mutex_);
  std::vector<Reading> all(std::make_move_iterator(queue_.begin()), std::make_move_iterator(queue_.end()));
  queue_.clear();
  drainPending_ = false;
  return all;
}

std::size_t ReadingQueue::dropped() const {
  std::lock_guard lock(mutex_);
  return dropped_;
}
