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
  Step step(EpochSeconds now);

 private:
  enum class Stage { seekingHead, readingBody, answered };

  Step answer(Step step, std::optional<EpochSeconds> at = std::nullopt);

  std::vector<std::uint8_t> buffer_;
  Stage stage_ = Stage::seekingHead;
  // The terminator search resumes here: everything before it holds no
  // terminator start, except possibly in the last three bytes seen.
  std::size_t searchFrom_ = 0;
  // From the head, once it is complete and decided readBody.
  std::int64_t bodyOffset_ = 0;
  std::int64_t bodyLength_ = 0;
  bool sendContinue_ = false;
  // The final answer. One that carries a parsed body depends on the time it
  // was judged at, so it is judged again for any other time.
  Step answer_;
  std::optional<EpochSeconds> answeredAt_;
};
