#pragma once
// What the bridge answers to the bytes a connection has received so far.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "bridge/http_head.hpp"
#include "bridge/http_response.hpp"
#include "readings/reading.hpp"

inline constexpr std::uint16_t bridgePort = 47615;
inline constexpr std::int64_t maxBodyBytes = 65536;
inline constexpr std::array<std::string_view, 4> allowedHosts = {"127.0.0.1:47615", "localhost:47615",
                                                                 "127.0.0.1", "localhost"};
inline constexpr std::array<std::string_view, 3> originPrefixes = {"chrome-extension://", "moz-extension://",
                                                                   "safari-web-extension://"};

struct Decision {
  enum class Kind { respond, readBody };
  Kind kind = Kind::respond;
  HTTPResponse response;        // when respond
  std::int64_t bodyLength = 0;  // when readBody: 0 ... maxBodyBytes

  static Decision respond(HTTPResponse r) { return {Kind::respond, std::move(r), 0}; }
  static Decision readBody(std::int64_t n) { return {Kind::readBody, {}, n}; }

  bool operator==(const Decision&) const = default;
};

struct Step {
  enum class Kind { needMore, respond };
  Kind kind = Kind::needMore;
  bool sendContinue = false;       // when needMore
  HTTPResponse response;           // when respond
  std::optional<Reading> reading;  // when respond and a posted reading was accepted

  static Step needMore(bool sendContinue) { return {Kind::needMore, sendContinue, {}, std::nullopt}; }
  static Step respond(HTTPResponse r, std::optional<Reading> reading = std::nullopt) {
    return {Kind::respond, false, std::move(r), std::move(reading)};
  }

  bool operator==(const Step&) const = default;
};

bool hostAllowed(const std::optional<std::string>& host);
bool originAllowed(const std::optional<std::string>& origin);
HTTPResponse pingResponse();
Decision decide(const HTTPHead& head);
Step processRequest(std::span<const std::uint8_t> buffer, EpochSeconds now);
