#include "bridge/http_head.hpp"

#include <gtest/gtest.h>

#include "bridge/request_samples.hpp"

namespace {

using Kind = HeadParse::Kind;

HeadParse parse(std::string_view text) {
  return parseHead(samples::bytes(text));
}

// That heads come out well formed and end where the body starts is checked on
// every corpus entry by the fuzz replay; these pin what the fields hold.
TEST(ParseHead, ParsesWellFormedHeads) {
  struct Case {
    std::string input;
    std::string request;  // method and path as parsed
    std::map<std::string, std::string> headers;
  } cases[] = {
      {"GET /ping?x=1 HTTP/1.0\r\n\r\n", "GET /ping", {}},
      {"GET /ping#top?x HTTP/1.1\r\n\r\n", "GET /ping", {}},
      {"GET https://evil.example/usage?q HTTP/1.1\r\n\r\n", "GET /usage", {}},
      {"GET http://127.0.0.1:47615 HTTP/1.1\r\n\r\n", "GET /", {}},
      {"OPTIONS * HTTP/1.1\r\n\r\n", "OPTIONS *", {}},
      {"BREW /pot HTTP/1.1\r\nContent-Type: A/B; c\r\n\r\n", "BREW /pot", {{"content-type", "A/B; c"}}},
      // Only spaces and tabs are trimmed; the first of a repeated header wins.
      {"GET / HTTP/1.1\r\nA: \t x y \t\r\nB:\xC2\xA0z\r\nC:\r\nc: d\r\n\r\n",
       "GET /",
       {{"a", "x y"}, {"b", "\xC2\xA0z"}, {"c", ""}}},
      {"GET / HTTP/1.1\r\nHost: 127.0.0.1:47615\r\n\r\n", "GET /", {{"host", "127.0.0.1:47615"}}},
      {"GET / HTTP/1.1\r\nContent-Length: 2\r\ncontent-length:  2\r\n\r\n",
       "GET /",
       {{"content-length", "2"}}},
      {"GET / HTTP/1.1\r\nX_(y)!: b\nc\rd\r\n\r\n", "GET /", {{"x_(y)!", "b\nc\rd"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    const HeadParse got = parse(c.input);
    ASSERT_EQ(got.kind, Kind::head);
    EXPECT_EQ(got.head.method + " " + got.head.path, c.request);
    EXPECT_EQ(got.head.headers, c.headers);
  }
}

TEST(ParseHead, RefusesMalformedHeadsAndWaitsForTheBlankLine) {
  const std::string limit(maxHeaderBytes, 'a');
  const std::string bad[] = {
      "get /ping HTTP/1.1\r\n\r\n", "M-SEARCH * HTTP/1.1\r\n\r\n", "GET  /ping HTTP/1.1\r\n\r\n",
      "GET /ping HTTP/1.1 \r\n\r\n", "GET\t/ping HTTP/1.1\r\n\r\n", "GET /ping\r\n\r\n",
      "GET /ping HTTP/2.0\r\n\r\n", "GET /ping http/1.1\r\n\r\n", "GET ping HTTP/1.1\r\n\r\n",
      "GET HTTP://127.0.0.1/ping HTTP/1.1\r\n\r\n", "CONNECT 127.0.0.1:47615 HTTP/1.1\r\n\r\n",
      "OPTIONS *x HTTP/1.1\r\n\r\n", "GET / HTTP/1.1\r\nBroken\r\n\r\n", "GET / HTTP/1.1\r\n: x\r\n\r\n",
      "GET / HTTP/1.1\r\nA: b\r\n\tc\r\n\r\n", "GET / HTTP/1.1\r\nA: b\r\n c\r\n\r\n",
      "GET / HTTP/1.1\r\nHost : x\r\n\r\n",
      "GET / HTTP/1.1\r\nContent-Length: 2\r\nContent-Length: 02\r\n\r\n",
      // Not UTF-8: overlong, surrogate, above U+10FFFF, truncated, stray byte.
      "GET / HTTP/1.1\r\nX: \xC0\xAF\r\n\r\n", "GET / HTTP/1.1\r\nX: \xED\xA0\x80\r\n\r\n",
      "GET / HTTP/1.1\r\nX: \xF4\x90\x80\x80\r\n\r\n", "GET / HTTP/1.1\r\nX: \xE2\x82\r\n\r\n",
      "GET /\xFF HTTP/1.1\r\n\r\n",
      // The size limit is drawn where the terminator starts.
      limit + "\r\r", limit + "a\r"};
  for (const auto& c : bad) EXPECT_EQ(parse(c).kind, Kind::bad) << c.substr(0, 60);

  // Rubbish is only judged once the head is complete, and a terminator begun
  // at the limit may still be completing.
  const std::string unfinished[] = {
      "", "GET /ping HTTP/1.1\r\nHost: x\r\n\r", "get  nonsense\r\n", limit, limit + "\r", limit + "\r\n\r"};
  for (const auto& c : unfinished) EXPECT_EQ(parse(c).kind, Kind::needMore) << c.substr(0, 60);
}

}  // namespace
