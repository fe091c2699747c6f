#pragma once
// The last stage of a request, once its head has asked for a body: shared by
// processRequest and the connection's incremental feed.

#include <cstdint>
#include <span>

#include "bridge/request_processing.hpp"

bool wantsContinue(const HTTPHead& head);

// `buffer` is everything received, head included; bytes past the declared
// body are never looked at.
Step bodyStep(std::span<const std::uint8_t> buffer, std::int64_t bodyOffset, std::int64_t bodyLength,
              bool sendContinue, EpochSeconds now);
