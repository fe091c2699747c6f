#pragma once
// Requests as the extension sends them, and the answers the bridge gives.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "bridge/wire_responses.hpp"

namespace samples {

inline std::span<const std::uint8_t> bytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// A POST /usage as the extension sends it; `extra` header lines end in CRLF.
inline std::string usage(const std::string& body, const std::string& extra = "") {
  return "POST /usage HTTP/1.1\r\nHost: 127.0.0.1:47615\r\nOrigin: chrome-extension://a"
         "\r\nX-Quotalume: 1\r\nContent-Type: application/json\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\n" + extra + "\r\n" + body;
}

inline std::string ping(const std::string& target = "/ping") {
  return "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1:47615\r\n\r\n";
}

inline std::string headOf(const std::string& request) {
  return request.substr(0, request.find("\r\n\r\n") + 4);
}

}  // namespace samples
