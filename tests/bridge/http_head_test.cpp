#include "bridge/http_head.hpp"

#include <gtest/gtest.h>

#include "bridge/request_samples.hpp"

namespace {

using Kind = HeadParse::Kind;
using Headers = std::map<std::string, std::string>;

HeadParse parse(std::string_view text) {
  return parseHead(samples::bytes(text));
}

TEST(ParseHead, ParsesWellFormedHeads) {
  struct Case {
    const char* name;
    std::string input;
    std::string method;
    std::string path;
    Headers headers;
    std::int64_t bodyOffset;
  } cases[] = {
      {"bare ping", "GET /ping HTTP/1.1\r\n\r\n", "GET", "/ping", {}, 22},
      {"http 1.0", "GET /ping HTTP/1.0\r\n\r\n", "GET", "/ping", {}, 22},
      {"query cut", "GET /ping?x=1 HTTP/1.1\r\n\r\n", "GET", "/ping", {}, 26},
      {"fragment cut", "GET /ping#top?x HTTP/1.1\r\n\r\n", "GET", "/ping", {}, 28},
      {"absolute form", "GET http://127.0.0.1:47615/ping HTTP/1.1\r\n\r\n", "GET", "/ping", {}, 44},
      {"absolute https", "GET https://evil.example/usage?q HTTP/1.1\r\n\r\n", "GET", "/usage", {}, 45},
      {"absolute without path", "GET http://127.0.0.1:47615 HTTP/1.1\r\n\r\n", "GET", "/", {}, 39},
      {"asterisk", "OPTIONS * HTTP/1.1\r\n\r\n", "OPTIONS", "*", {}, 22},
      {"unknown method passes", "BREW /pot HTTP/1.1\r\n\r\n", "BREW", "/pot", {}, 22},
      {"names lower-cased, values keep case",
       "POST /usage HTTP/1.1\r\nContent-Type: Application/JSON; charset=utf-8\r\n\r\n",
       "POST",
       "/usage",
       {{"content-type", "Application/JSON; charset=utf-8"}},
       71},
      {"values trimmed of spaces and tabs only",
       "GET / HTTP/1.1\r\nA: \t x y \t\r\nB:\xC2\xA0z\r\n\r\n",
       "GET",
       "/",
       {{"a", "x y"}, {"b", "\xC2\xA0z"}},
       37},
      {"empty value", "GET / HTTP/1.1\r\nA:\r\nB:   \r\n\r\n", "GET", "/", {{"a", ""}, {"b", ""}}, 29},
      {"further colons belong to the value",
       "GET / HTTP/1.1\r\nHost: 127.0.0.1:47615\r\n\r\n",
       "GET",
       "/",
       {{"host", "127.0.0.1:47615"}},
       41},
      {"first of repeated header wins",
       "GET / HTTP/1.1\r\nOrigin: a\r\norigin: b\r\n\r\n",
       "GET",
       "/",
       {{"origin", "a"}},
       40},
      {"same content-length twice",
       "GET / HTTP/1.1\r\nContent-Length: 2\r\ncontent-length:  2\r\n\r\n",
       "GET",
       "/",
       {{"content-length", "2"}},
       57},
      {"odd name characters kept", "GET / HTTP/1.1\r\nX_(y)!: 1\r\n\r\n", "GET", "/", {{"x_(y)!", "1"}}, 29},
      {"bare LF and CR stay in the line",
       "GET / HTTP/1.1\r\nA: b\nc\rd\r\n\r\n",
       "GET",
       "/",
       {{"a", "b\nc\rd"}},
       28},
      {"utf-8 in a value",
       "GET / HTTP/1.1\r\nA: \xED\x95\x9C \xF0\x9F\x98\x80\r\n\r\n",
       "GET",
       "/",
       {{"a", "\xED\x95\x9C \xF0\x9F\x98\x80"}},
       31},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const HeadParse got = parse(c.input);
    ASSERT_EQ(got.kind, Kind::head);
    EXPECT_EQ(got.head.method, c.method);
    EXPECT_EQ(got.head.path, c.path);
    EXPECT_EQ(got.head.headers, c.headers);
    EXPECT_EQ(got.head.bodyOffset, c.bodyOffset);
  }
}

TEST(ParseHead, RefusesMalformedHeads) {
  struct Case {
    const char* name;
    std::string input;
  } cases[] = {
      {"lower-case method", "get /ping HTTP/1.1\r\n\r\n"},
      {"digit in method", "G3T /ping HTTP/1.1\r\n\r\n"},
      {"hyphen in method", "M-SEARCH * HTTP/1.1\r\n\r\n"},
      {"two spaces", "GET  /ping HTTP/1.1\r\n\r\n"},
      {"leading space", " GET /ping HTTP/1.1\r\n\r\n"},
      {"trailing space", "GET /ping HTTP/1.1 \r\n\r\n"},
      {"tab is no separator", "GET\t/ping HTTP/1.1\r\n\r\n"},
      {"missing version", "GET /ping\r\n\r\n"},
      {"empty request line", "\r\n\r\n"},
      {"http 2", "GET /ping HTTP/2.0\r\n\r\n"},
      {"version case", "GET /ping http/1.1\r\n\r\n"},
      {"relative target", "GET ping HTTP/1.1\r\n\r\n"},
      {"upper-case scheme is not absolute form", "GET HTTP://127.0.0.1/ping HTTP/1.1\r\n\r\n"},
      {"authority form", "CONNECT 127.0.0.1:47615 HTTP/1.1\r\n\r\n"},
      {"asterisk with more", "OPTIONS *x HTTP/1.1\r\n\r\n"},
      {"header without colon", "GET / HTTP/1.1\r\nBroken\r\n\r\n"},
      {"colon first", "GET / HTTP/1.1\r\n: x\r\n\r\n"},
      {"continuation line", "GET / HTTP/1.1\r\nA: b\r\n c\r\n\r\n"},
      {"continuation with tab", "GET / HTTP/1.1\r\nA: b\r\n\tc\r\n\r\n"},
      {"space in name", "GET / HTTP/1.1\r\nHost : x\r\n\r\n"},
      {"tab in name", "GET / HTTP/1.1\r\nHo\tst: x\r\n\r\n"},
      {"two content lengths", "GET / HTTP/1.1\r\nContent-Length: 2\r\nContent-Length: 3\r\n\r\n"},
      {"content length differs only in zeros",
       "GET / HTTP/1.1\r\nContent-Length: 2\r\nContent-Length: 02\r\n\r\n"},
      {"overlong slash", "GET / HTTP/1.1\r\nX: \xC0\xAF\r\n\r\n"},
      {"lone continuation byte", "GET / HTTP/1.1\r\nX: \x80\r\n\r\n"},
      {"surrogate", "GET / HTTP/1.1\r\nX: \xED\xA0\x80\r\n\r\n"},
      {"above U+10FFFF", "GET / HTTP/1.1\r\nX: \xF4\x90\x80\x80\r\n\r\n"},
      {"truncated sequence", "GET / HTTP/1.1\r\nX: \xE2\x82\r\n\r\n"},
      {"invalid byte in target", "GET /\xFF HTTP/1.1\r\n\r\n"},
      {"head ends too late", samples::pingWithHeadOf(maxHeaderBytes + 1)},
      {"no terminator past the limit", "GET /ping HTTP/1.1\r\nX: " + std::string(maxHeaderBytes, 'a')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(parse(c.input).kind, Kind::bad);
  }
}

TEST(ParseHead, WaitsForTheBlankLine) {
  struct Case {
    const char* name;
    std::string input;
  } cases[] = {
      {"empty", ""},
      {"request line only", "GET /ping HTTP/1.1"},
      {"header not yet ended", "GET /ping HTTP/1.1\r\nHost: x\r\n"},
      {"half a terminator", "GET /ping HTTP/1.1\r\nHost: x\r\n\r"},
      // Rubbish is only judged once the head is complete.
      {"malformed but unfinished", "get  nonsense\r\n"},
      {"exactly at the limit", std::string(maxHeaderBytes, 'a')},
      // A terminator that starts at the limit may still be completing.
      {"terminator begun at the limit", std::string(maxHeaderBytes, 'a') + "\r"},
      {"three terminator bytes at the limit", std::string(maxHeaderBytes, 'a') + "\r\n\r"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(parse(c.input).kind, Kind::needMore);
  }
}

TEST(ParseHead, DrawsTheSizeLimitAtTheTerminatorStart) {
  const std::string fits = samples::pingWithHeadOf(maxHeaderBytes);
  const HeadParse parsed = parse(fits);
  ASSERT_EQ(parsed.kind, Kind::head);
  EXPECT_EQ(parsed.head.bodyOffset, static_cast<std::int64_t>(maxHeaderBytes + 4));

  // Each prefix of the accepted head must wait, never refuse, or a slow client
  // would be turned away for a head that is within the limit.
  for (std::size_t n = maxHeaderBytes - 2; n < fits.size(); ++n) {
    SCOPED_TRACE(n);
    EXPECT_EQ(parse(std::string_view(fits).substr(0, n)).kind, Kind::needMore);
  }
  EXPECT_EQ(parse(std::string(maxHeaderBytes, 'a') + "\r\r").kind, Kind::bad);
  EXPECT_EQ(parse(std::string(maxHeaderBytes + 1, 'a') + "\r").kind, Kind::bad);
}

TEST(ParseHead, IgnoresEverythingAfterTheHead) {
  const std::string head = "POST /usage HTTP/1.1\r\nHost: localhost\r\nContent-Length: 2\r\n\r\n";
  const HeadParse alone = parse(head);
  ASSERT_EQ(alone.kind, Kind::head);
  for (std::string tail : {std::string("{}"), std::string("GET /x HTTP/1.1\r\n\r\n"),
                           std::string("\xFF\xFE\r\n\r\n"), std::string(70000, 'z')}) {
    EXPECT_EQ(parse(head + tail), alone);
  }
  const std::string bad = "GET / HTTP/1.1\r\nBroken\r\n\r\n";
  EXPECT_EQ(parse(bad + "GET / HTTP/1.1\r\n\r\n").kind, Kind::bad);
}

TEST(ParseHead, LookupTakesLowerCaseNames) {
  const HeadParse parsed = parse("GET / HTTP/1.1\r\nX-Quotalume: 1\r\n\r\n");
  ASSERT_EQ(parsed.kind, Kind::head);
  EXPECT_EQ(parsed.head.h("x-quotalume"), "1");
  EXPECT_EQ(parsed.head.h("origin"), std::nullopt);
}

}  // namespace
