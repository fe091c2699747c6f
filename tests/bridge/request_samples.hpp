#pragma once
// Requests with the exact answer each earns, and the helpers that build them.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "bridge/wire_responses.hpp"

namespace samples {

// 2025-10-14 06:00 UTC; the reading below was fetched a minute earlier.
inline constexpr double now = 1760421600.0;
inline const std::string readingBody =
    R"({"v":1,"status":"ok","fetched_at":1760421540000,"windows":[{"key":"session","pct":42.5}]})";

inline std::span<const std::uint8_t> bytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// A POST /usage as the extension sends it; `extra` header lines, each ended by
// CRLF, follow the usual ones.
inline std::string usage(const std::string& body, const std::string& extra = "",
                         const std::string& origin = "chrome-extension://a") {
  return "POST /usage HTTP/1.1\r\nHost: 127.0.0.1:47615\r\nOrigin: " + origin +
         "\r\nX-Quotalume: 1\r\nContent-Type: application/json\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\n" + extra + "\r\n" + body;
}

inline std::string ping(const std::string& target = "/ping") {
  return "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1:47615\r\n\r\n";
}

inline std::string headOf(const std::string& request) {
  return request.substr(0, request.find("\r\n\r\n") + 4);
}

using Request = std::tuple<const char*, std::string, std::string_view>;  // name, bytes, answer

inline std::vector<Request> requests() {
  // A GET /ping whose head, terminator excluded, is just at the size limit.
  const std::string fullHead = "GET /ping HTTP/1.1\r\nHost: localhost\r\nX: " + std::string(16344, 'b');
  std::string padded = R"({"status":"ok","pad":")";
  padded += std::string(65536 - padded.size() - 2, ' ') + "\"}";
  // Declares one byte less than it sends, which cuts the JSON short.
  const std::string cut = usage(readingBody.substr(0, readingBody.size() - 1)) + readingBody.back();
  return {
      {"usage", usage(readingBody), wire::noContent},
      {"usage trailing request", usage(readingBody) + "GET /x HTTP/1.1\r\n\r\n", wire::noContent},
      {"usage second origin ignored", usage(readingBody, "origin: https://a.example\r\n"), wire::noContent},
      {"ping query and fragment", ping("/ping?x=1#y"), wire::ping},
      {"ping absolute form", ping("http://127.0.0.1:47615/ping"), wire::ping},
      {"usage lower-case names",
       "POST /usage HTTP/1.1\r\nhost: localhost\r\norigin: safari-web-extension://A\r\nx-quotalume: 1\r\n"
       "content-type:\t Application/JSON; charset=utf-8 \t\r\ncontent-length: " +
           std::to_string(readingBody.size()) + "\r\n\r\n" + readingBody,
       wire::noContent},
      {"usage body of exactly the limit", usage(padded), wire::noContent},
      {"usage body cut by its length", cut, wire::badRequest},
      {"usage unknown status", usage(R"({"status":"maybe"})"), wire::badRequest},
      {"usage number too large for a double", usage(R"({"status":"ok","future":1e400})"), wire::noContent},
      {"usage empty body", usage(""), wire::badRequest},
      {"usage too large, body not sent", headOf(usage(std::string(65537, ' '))), wire::tooLarge},
      {"lone CR line", "GET /ping HTTP/1.1\r\nHost: localhost\r\n\r\r\n\r\n", wire::badRequest},
      {"head ends just in time", fullHead + "\r\n\r\n", wire::ping},
      {"head ends too late", fullHead + "b\r\n\r\n", wire::badRequest},
  };
}

}  // namespace samples
