#pragma once
// The connection's incremental view of processRequest: bytes are appended as
// they arrive and step() answers exactly what processRequest would answer for
// the whole buffer, without scanning the head again on every arrival.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "bridge/request_processing.hpp"

class RequestFeed {
 public:
  void append(std::span<const std::uint8_t> bytes);
  const std::vector<std::uint8_t>& buffer() const { return buffer_; }

  // Identical to processRequest(buffer(), now).
  Step step(Date now);

 private:
  std::vector<std::uint8_t> buffer_;
  // implementation state (terminator search position, parsed head, decision)
};
