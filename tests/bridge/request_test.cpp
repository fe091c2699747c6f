// The request path from bytes to answer. The fuzz replay checks on its corpus
// that heads parse well formed and the feed agrees with processRequest; these
// pin what each rule decides.
#include <gtest/gtest.h>

#include "bridge/http_head.hpp"
#include "bridge/request_feed.hpp"
#include "bridge/request_processing.hpp"
#include "bridge/request_samples.hpp"

namespace {

using samples::bytes;

HeadParse parse(std::string_view text) {
  return parseHead(bytes(text));
}

TEST(ParseHead, RefusesMalformedHeadsAndWaitsForTheBlankLine) {
  const std::string limit(maxHeaderBytes, 'a');
  const std::string bad[] = {
      "get /ping HTTP/1.1\r\n\r\n", "GET  /ping HTTP/1.1\r\n\r\n", "GET /ping HTTP/1.1 \r\n\r\n",
      "GET\t/ping HTTP/1.1\r\n\r\n", "GET /ping\r\n\r\n", "GET /ping HTTP/2.0\r\n\r\n",
      "GET /ping http/1.1\r\n\r\n", "GET ping HTTP/1.1\r\n\r\n", "GET HTTP://127.0.0.1/ping HTTP/1.1\r\n\r\n",
      "CONNECT 127.0.0.1:47615 HTTP/1.1\r\n\r\n", "GET / HTTP/1.1\r\nBroken\r\n\r\n",
      "GET / HTTP/1.1\r\n: x\r\n\r\n", "GET / HTTP/1.1\r\nA: b\r\n c\r\n\r\n",
      "GET / HTTP/1.1\r\nHost : x\r\n\r\n",
      "GET / HTTP/1.1\r\nContent-Length: 2\r\nContent-Length: 02\r\n\r\n",
      // Not UTF-8: overlong, surrogate, truncated, stray byte.
      "GET / HTTP/1.1\r\nX: \xC0\xAF\r\n\r\n", "GET / HTTP/1.1\r\nX: \xED\xA0\x80\r\n\r\n",
      "GET / HTTP/1.1\r\nX: \xE2\x82\r\n\r\n", "GET /\xFF HTTP/1.1\r\n\r\n",
      // The size limit is drawn where the terminator starts.
      limit + "\r\r", limit + "a\r"};
  for (const auto& c : bad) EXPECT_EQ(parse(c).kind, HeadParse::Kind::bad) << c.substr(0, 60);
  // Rubbish is only judged once the head is complete, and a terminator begun
  // at the limit may still be completing.
  const std::string unfinished[] = {
      "", "GET /ping HTTP/1.1\r\nHost: x\r\n\r", "get  nonsense\r\n", limit, limit + "\r", limit + "\r\n\r"};
  for (const auto& c : unfinished) EXPECT_EQ(parse(c).kind, HeadParse::Kind::needMore) << c.substr(0, 60);
}

TEST(RequestAccess, AllowsOnlyThisHostAndExtensionOrigins) {
  const std::pair<std::optional<std::string>, bool> hosts[] = {
      {"127.0.0.1:47615", true},   {"LOCALHOST", true},    {std::nullopt, false},
      {"127.0.0.1:047615", false}, {"[::1]:47615", false}, {"127.0.0.1.evil.example:47615", false}};
  const std::pair<std::optional<std::string>, bool> origins[] = {
      {"moz-extension://1-2", true},   {"safari-web-extension://A", true},
      {std::nullopt, false},           {"chrome-extension://", false},
      {"Chrome-Extension://a", false}, {"https://chrome-extension://a", false}};
  for (const auto& [host, want] : hosts) EXPECT_EQ(hostAllowed(host), want) << host.value_or("(absent)");
  for (const auto& [origin, want] : origins) EXPECT_EQ(originAllowed(origin), want) << origin.value_or("-");
}

TEST(Decide, AppliesTheRulesInOrder) {
  constexpr std::nullopt_t gone = std::nullopt;
  struct Case {
    const char* name;
    std::string request;                                                      // method and path
    std::vector<std::pair<std::string, std::optional<std::string>>> changes;  // to a head passing every rule
    std::string_view want;  // the answer on the wire, or the length of the body to read
  } cases[] = {
      {"options wins over a missing host", "OPTIONS /usage", {{"host", gone}}, wire::forbidden},
      // Host before route: a foreign page learns nothing, not even the version.
      {"ping without host", "GET /ping", {{"host", gone}}, wire::forbidden},
      {"usage with foreign host", "POST /usage", {{"host", "example.com:47615"}}, wire::forbidden},
      {"ping ignores post headers", "GET /ping", {{"transfer-encoding", "x"}}, wire::ping},
      // Route before origin: refusing a wrong path needs no credentials.
      {"post ping without origin", "POST /ping", {{"origin", gone}}, wire::notFound},
      {"missing origin", "POST /usage", {{"origin", gone}}, wire::forbidden},
      // Access checks come before any size or body check.
      {"web origin", "POST /usage", {{"origin", "http://a"}, {"content-length", "70000"}}, wire::forbidden},
      {"missing private header", "POST /usage", {{"x-quotalume", gone}}, wire::forbidden},
      {"private header 01", "POST /usage", {{"x-quotalume", "01"}}, wire::forbidden},
      {"private", "POST /usage", {{"x-quotalume", "true"}, {"transfer-encoding", "x"}}, wire::forbidden},
      {"empty encoding", "POST /usage", {{"transfer-encoding", ""}}, wire::badRequest},
      {"encoding",
       "POST /usage",
       {{"transfer-encoding", "x"}, {"content-length", "70000"}},
       wire::badRequest},
      {"json suffix type", "POST /usage", {{"content-type", "application/json+x"}}, wire::badRequest},
      {"type",
       "POST /usage",
       {{"content-type", "text/plain"}, {"content-length", "70000"}},
       wire::badRequest},
      {"minus sign", "POST /usage", {{"content-length", "-1"}}, wire::badRequest},
      {"ten digits", "POST /usage", {{"content-length", "0000000001"}}, wire::tooLarge},
      {"just over the limit", "POST /usage", {{"content-length", "65537"}}, wire::tooLarge},
      {"exactly the limit", "POST /usage", {{"content-length", "65536"}}, "65536"},
      {"nine digits", "POST /usage", {{"content-length", "000065536"}}, "65536"},
      {"zero", "POST /usage", {{"content-length", "0"}}, "0"},
      {"json with parameters", "POST /usage", {{"content-type", "Application/JSON; charset=x"}}, "120"},
      {"json after empty piece", "POST /usage", {{"content-type", ";application/json"}}, "120"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto space = c.request.find(' ');
    HTTPHead head{c.request.substr(0, space), c.request.substr(space + 1), {}, 0};
    head.headers = {{"host", "127.0.0.1:47615"},
                    {"origin", "chrome-extension://a"},
                    {"x-quotalume", "1"},
                    {"content-type", "application/json"},
                    {"content-length", "120"}};
    for (const auto& [name, value] : c.changes) {
      head.headers.erase(name);
      if (value) head.headers.emplace(name, *value);
    }
    const Decision got = decide(head);
    EXPECT_EQ(
        got.kind == Decision::Kind::readBody ? std::to_string(got.bodyLength) : got.response.serialized(),
        c.want);
  }
}

Step process(std::string_view request, double now = samples::now) {
  return processRequest(bytes(request), now);
}

TEST(ProcessRequest, AnswersEachSampleWholeAndFedByteByByte) {
  for (const auto& sample : samples::requests()) {
    SCOPED_TRACE(sample.name);
    const Step got = process(sample.bytes);
    RequestFeed feed;
    for (const char& c : sample.bytes) feed.append(bytes(std::string_view(&c, 1)));
    EXPECT_EQ(feed.step(samples::now), got);
    EXPECT_EQ(got.reading.has_value(), sample.answer == wire::noContent);
    EXPECT_EQ(got.response.serialized(), sample.answer);
  }
}

TEST(ProcessRequest, AsksToContinueOnlyWhenTheHeadIsInAndTheBodyIsNot) {
  auto allButLast = [](const std::string& extra) {
    const std::string request = samples::usage(samples::readingBody, extra);
    return request.substr(0, request.size() - 1);
  };
  EXPECT_EQ(process("POST /usage HTTP/1.1\r\nExpect: 100-continue\r\n"), Step::needMore(false));
  EXPECT_EQ(process(allButLast("expect: 100-CONTINUE\r\n")), Step::needMore(true));
  EXPECT_EQ(process(allButLast("Expect: 100-continue-later\r\n")), Step::needMore(false));
}

TEST(RequestFeed, JudgesTheBodyAtTheTimeAsked) {
  RequestFeed feed;
  feed.append(bytes(samples::usage(samples::readingBody)));
  ASSERT_TRUE(feed.step(samples::now).reading);
  const Step later = feed.step(samples::now + 5);
  ASSERT_TRUE(later.reading);
  EXPECT_EQ(later.reading->received_at, (samples::now + 5) * 1000);
  EXPECT_FALSE(feed.step(samples::now + 500.0 * 86400).reading) << "a reading fetched long ago";
}

}  // namespace
