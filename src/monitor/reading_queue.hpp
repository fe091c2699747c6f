#pragma once
// Hands readings from the bridge thread to the main thread. Any local process
// can post thousands of readings a second, so the main thread takes them in
// bursts, and the queue never holds more than a fixed number: past that the
// oldest go first, since only the order of the newest decides what is kept.

#include <cstddef>
#include <deque>
#include <mutex>
#include <vector>

#include "readings/reading.hpp"

class ReadingQueue {
 public:
  explicit ReadingQueue(std::size_t capacity = 4096) : capacity_(capacity) {}

  // True when the queue was idle, so the caller must arrange one drain; the
  // readings that follow before that drain ride along with it.
  bool push(Reading reading);

  // Everything queued, oldest first; the next push asks for a new drain.
  std::vector<Reading> takeAll();

  std::size_t dropped() const;

 private:
  mutable std::mutex mutex_;
  std::deque<Reading> queue_;
  std::size_t capacity_;
  std::size_t dropped_ = 0;
  bool drainPending_ = false;
};
