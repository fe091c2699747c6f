#pragma once
// Requests the bridge must answer, from the ordinary to the hostile; shared by
// the request tests and the incremental feed's comparison with processRequest.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "bridge/wire_responses.hpp"

namespace samples {

// 2025-10-14 06:00 UTC; the reading below was fetched a minute earlier.
inline constexpr double now = 1760421600.0;

inline const std::string readingBody =
    R"({"v":1,"status":"ok","plan":"Max 5x","fetched_at":1760421540000,"windows":[)"
    R"({"key":"session","pct":42.5,"resets_at":1760432400000},)"
    R"({"key":"weekly","pct":17,"resets_at":1760918400000},)"
    R"({"key":"opus","pct":3.25,"resets_at":null}]})";

inline std::span<const std::uint8_t> bytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// A POST /usage as the extension sends it; `extra` lines (each ended by CRLF)
// go after the usual headers.
inline std::string usage(const std::string& body, const std::string& extra = "",
                         const std::string& origin = "chrome-extension://a") {
  return "POST /usage HTTP/1.1\r\nHost: 127.0.0.1:47615\r\nOrigin: " + origin +
         "\r\nX-Quotalume: 1\r\nContent-Type: application/json\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\n" + extra + "\r\n" + body;
}

inline std::string ping(const std::string& target = "/ping", const std::string& extra = "") {
  return "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1:47615\r\n" + extra + "\r\n";
}

// A complete GET /ping whose head, terminator excluded, is `size` bytes long.
inline std::string pingWithHeadOf(std::size_t size) {
  std::string head = "GET /ping HTTP/1.1\r\nHost: localhost\r\nX: ";
  head.resize(size, 'b');
  return head + "\r\n\r\n";
}

struct Request {
  const char* name;
  std::string bytes;
  std::string_view answer;  // on the wire once all bytes are in; empty while more are awaited
};

inline std::vector<Request> requests() {
  std::string padded = R"({"status":"ok","pad":")";
  padded += std::string(65536 - padded.size() - 2, ' ');
  padded += "\"}";
  const std::string lowerCaseNames =
      "POST /usage HTTP/1.1\r\nhost: localhost\r\norigin: safari-web-extension://ABCD\r\nx-quotalume: 1\r\n"
      "content-type: Application/JSON; charset=utf-8\r\ncontent-length: " +
      std::to_string(readingBody.size()) + "\r\n\r\n" + readingBody;
  std::string tooLarge = usage("{}");
  tooLarge.replace(tooLarge.find("Length: 2"), 9, "Length: 70000");
  return {
      {"usage", usage(readingBody), wire::noContent},
      {"usage moz", usage(readingBody, "", "moz-extension://1234-5678"), wire::noContent},
      {"usage trailing request", usage(readingBody) + "GET /x HTTP/1.1\r\n\r\n", wire::noContent},
      {"usage expect continue", usage(readingBody, "Expect: 100-Continue\r\n"), wire::noContent},
      {"usage lower-case names", lowerCaseNames, wire::noContent},
      {"usage same length twice",
       usage(readingBody, "Content-Length: " + std::to_string(readingBody.size()) + "\r\n"), wire::noContent},
      {"usage body of exactly the limit", usage(padded), wire::noContent},
      {"usage body not json", usage("{nope"), wire::badRequest},
      {"usage unknown status", usage(R"({"status":"maybe"})"), wire::badRequest},
      {"usage empty body", usage(""), wire::badRequest},
      {"usage too large", tooLarge, wire::tooLarge},
      {"usage chunked", usage(readingBody, "Transfer-Encoding: chunked\r\n"), wire::badRequest},
      {"usage two lengths", usage(readingBody, "Content-Length: 3\r\n"), wire::badRequest},
      {"usage web origin", usage(readingBody, "", "https://example.com"), wire::forbidden},
      {"usage unfinished", usage(readingBody).substr(0, 200), ""},
      {"ping", ping(), wire::ping},
      {"ping query", ping("/ping?x=1"), wire::ping},
      {"ping absolute", ping("http://127.0.0.1:47615/ping"), wire::ping},
      {"ping http 1.0", "GET /ping HTTP/1.0\r\nHost: localhost:47615\r\n\r\n", wire::ping},
      {"ping garbage after the head", ping() + "\xFF\xFF\r\n\r\n", wire::ping},
      {"ping lone CR before the blank line", "GET /ping HTTP/1.1\r\nHost: localhost\r\nX: \r\r\n\r\n",
       wire::ping},
      {"ping foreign host", "GET /ping HTTP/1.1\r\nHost: example.com:47615\r\n\r\n", wire::forbidden},
      {"ping no headers", "GET /ping HTTP/1.1\r\n\r\n", wire::forbidden},
      {"not found", ping("/nope"), wire::notFound},
      {"options", "OPTIONS * HTTP/1.1\r\nHost: 127.0.0.1:47615\r\n\r\n", wire::forbidden},
      {"lower-case method", "get /ping HTTP/1.1\r\nHost: 127.0.0.1:47615\r\n\r\n", wire::badRequest},
      {"http 2", "GET /ping HTTP/2.0\r\nHost: 127.0.0.1:47615\r\n\r\n", wire::badRequest},
      {"continuation line", "GET /ping HTTP/1.1\r\nHost: 127.0.0.1:47615\r\nA: b\r\n c\r\n\r\n",
       wire::badRequest},
      {"not utf-8", "GET /ping HTTP/1.1\r\nHost: 127.0.0.1:47615\r\nX: \xC0\xAF\r\n\r\n", wire::badRequest},
      {"head never ends", "GET /ping HTTP/1.1\r\nX: " + std::string(16400, 'a'), wire::badRequest},
      {"head ends just in time", pingWithHeadOf(16384), wire::ping},
      {"head ends too late", pingWithHeadOf(16385), wire::badRequest},
      {"lone CR line", "GET /ping HTTP/1.1\r\nHost: localhost\r\n\r\r\n\r\n", wire::badRequest},
      {"no request line at the limit", std::string(16384, 'a') + "\r\n\r\n", wire::badRequest},
  };
}

}  // namespace samples
