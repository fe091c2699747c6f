// The fuzz replays check that heads parse well formed (no lower-case method, no empty or spaced
// header name) and that the feed agrees with processRequest; these pin what each rule decides.
#include <gtest/gtest.h>

#include "bridge/http_head.hpp"
#include "bridge/request_processing.hpp"
#include "bridge/request_samples.hpp"

namespace {

using namespace samples;

TEST(ParseHead, JudgesEachRuleOfTheHead) {
  using enum HeadParse::Kind;
  const std::string limit(maxHeaderBytes, 'a');
  const std::string get = "GET / HTTP/1.1\r\n";
  const std::tuple<const char*, std::string, HeadParse::Kind> cases[] = {
      {"digit in the method", "G3T /ping HTTP/1.1\r\n\r\n", bad},
      {"trailing space", "GET /ping HTTP/1.1 \r\n\r\n", bad},
      {"tab as separator", "GET\t/ping HTTP/1.1\r\n\r\n", bad},
      {"no version", "GET /ping\r\n\r\n", bad},
      {"HTTP/2.0", "GET /ping HTTP/2.0\r\n\r\n", bad},
      {"lower-case version", "GET /ping http/1.1\r\n\r\n", bad},
      {"relative target", "GET ping HTTP/1.1\r\n\r\n", bad},
      {"upper-case scheme", "GET HTTP://127.0.0.1/ping HTTP/1.1\r\n\r\n", bad},
      {"authority form", "CONNECT 127.0.0.1:47615 HTTP/1.1\r\n\r\n", bad},
      {"no colon", get + "Broken\r\n\r\n", bad},
      {"continuation line", get + "A: b\r\n c\r\n\r\n", bad},
      {"space ending a name", get + "Host : x\r\n\r\n", bad},
      {"other bytes in a name", get + "X-\x01!#: z\r\n\r\n", head},
      {"two different lengths", get + "Content-Length: 2\r\nContent-Length: 02\r\n\r\n", bad},
      {"the same length twice", get + "Content-Length: 2\r\ncontent-length: \t2 \r\n\r\n", head},
      // UTF-8: each refused form next to the nearest accepted one.
      {"two-byte overlong", get + "X: \xC0\xAF\r\n\r\n", bad},
      {"three-byte overlong", get + "X: \xE0\x9F\xBF\r\n\r\n", bad},
      {"smallest three-byte", get + "X: \xE0\xA0\x80\r\n\r\n", head},
      {"surrogate", get + "X: \xED\xA0\x80\r\n\r\n", bad},
      {"four-byte overlong", get + "X: \xF0\x8F\xBF\xBF\r\n\r\n", bad},
      {"smallest four-byte", get + "X: \xF0\x90\x80\x80\r\n\r\n", head},
      {"above U+10FFFF", get + "X: \xF4\x90\x80\x80\r\n\r\n", bad},
      {"U+10FFFF", get + "X: \xF4\x8F\xBF\xBF\r\n\r\n", head},
      {"truncated sequence", get + "X: \xE2\x82\r\n\r\n", bad},
      {"stray byte", "GET /\xFF HTTP/1.1\r\n\r\n", bad},
      // The size limit is drawn where the terminator starts: past it the head
      // waits only while a terminator begun by then can still complete.
      {"at the limit", limit, needMore},
      {"CR after the limit", limit + "\r", needMore},
      {"CR LF CR after the limit", limit + "\r\n\r", needMore},
      {"CR CR after the limit", limit + "\r\r", bad},
      {"CR starting past the limit", limit + "a\r", bad},
      // Rubbish is only judged once the head is complete.
      {"unfinished rubbish", "get  nonsense\r\n", needMore},
  };
  for (const auto& [name, text, want] : cases) EXPECT_EQ(parseHead(bytes(text)).kind, want) << name;

  // The connection finds the terminator itself; one byte past the limit is refused all the same.
  const std::string atLimit = get + "X: " + std::string(maxHeaderBytes - get.size() - 3, 'a');
  EXPECT_EQ(parseHeadAt(bytes(atLimit + "\r\n\r\n"), maxHeaderBytes).kind, head);
  EXPECT_EQ(parseHeadAt(bytes(atLimit + "a\r\n\r\n"), maxHeaderBytes + 1).kind, bad);
}

TEST(RequestAccess, AllowsOnlyThisHostAndExtensionOrigins) {
  const std::pair<std::optional<std::string>, bool> hosts[] = {
      {"127.0.0.1:47615", true},   {"LOCALHOST", true},    {std::nullopt, false},
      {"127.0.0.1:047615", false}, {"[::1]:47615", false}, {"127.0.0.1.evil.example:47615", false}};
  const std::pair<std::optional<std::string>, bool> origins[] = {
      {"moz-extension://1-2", true},
      {"safari-web-extension://A", true},
      {std::nullopt, false},
      {"chrome-extension://", false},
      {"Chrome-Extension://a", false},
      {"https://chrome-extension://a", false},
      // Counted in characters: a lone mark adds none, an accented letter one.
      {"chrome-extension://\u0301", false},
      {"chrome-extension://\u00e9", true}};
  for (const auto& [host, want] : hosts) EXPECT_EQ(hostAllowed(host), want) << host.value_or("(absent)");
  for (const auto& [origin, want] : origins) EXPECT_EQ(originAllowed(origin), want) << origin.value_or("-");
}

TEST(Decide, AppliesTheRulesInOrder) {
  constexpr std::nullopt_t gone = std::nullopt;
  const std::string big = "70000";  // a length over the limit, which later rules would refuse
  // Method and path, changes to a head passing every rule, and the answer or the body length to read.
  using Changes = std::vector<std::pair<std::string, std::optional<std::string>>>;
  const std::tuple<const char*, std::string, Changes, std::string_view> cases[] = {
      {"options wins over a missing host", "OPTIONS /usage", {{"host", gone}}, wire::forbidden},
      // Host before route: a foreign page learns nothing, not even the version.
      {"ping without host", "GET /ping", {{"host", gone}}, wire::forbidden},
      {"usage with foreign host", "POST /usage", {{"host", "example.com:47615"}}, wire::forbidden},
      // Route before origin: refusing a wrong path needs no credentials.
      {"post ping without origin", "POST /ping", {{"origin", gone}}, wire::notFound},
      {"missing origin", "POST /usage", {{"origin", gone}}, wire::forbidden},
      // Access checks come before any size or body check.
      {"web origin", "POST /usage", {{"origin", "http://a"}, {"content-length", big}}, wire::forbidden},
      {"private", "POST /usage", {{"x-quotalume", "true"}, {"transfer-encoding", "x"}}, wire::forbidden},
      {"empty encoding", "POST /usage", {{"transfer-encoding", ""}}, wire::badRequest},
      {"encoding", "POST /usage", {{"transfer-encoding", "x"}, {"content-length", big}}, wire::badRequest},
      {"json suffix type", "POST /usage", {{"content-type", "application/json+x"}}, wire::badRequest},
      {"type", "POST /usage", {{"content-type", "text/plain"}, {"content-length", big}}, wire::badRequest},
      {"minus sign", "POST /usage", {{"content-length", "-1"}}, wire::badRequest},
      {"ten digits", "POST /usage", {{"content-length", "0000000001"}}, wire::tooLarge},
      {"just over the limit", "POST /usage", {{"content-length", "65537"}}, wire::tooLarge},
      {"exactly the limit", "POST /usage", {{"content-length", "65536"}}, "65536"},
      {"nine digits", "POST /usage", {{"content-length", "000065536"}}, "65536"},
      {"json after empty piece", "POST /usage", {{"content-type", ";application/json"}}, "120"},
  };
  for (const auto& [name, request, changes, want] : cases) {
    SCOPED_TRACE(name);
    const auto space = request.find(' ');
    HTTPHead head{request.substr(0, space), request.substr(space + 1), {}, 0};
    head.headers = {{"host", "127.0.0.1:47615"},
                    {"origin", "chrome-extension://a"},
                    {"x-quotalume", "1"},
                    {"content-type", "application/json"},
                    {"content-length", "120"}};
    for (const auto& [header, value] : changes) {
      head.headers.erase(header);
      if (value) head.headers.emplace(header, *value);
    }
    const Decision d = decide(head);
    EXPECT_EQ(d.kind == Decision::Kind::readBody ? std::to_string(d.bodyLength) : d.response.serialized(),
              want);
  }
}

TEST(ProcessRequest, AnswersEachSample) {
  // 2025-10-14 06:00 UTC; the reading was fetched a minute earlier.
  constexpr double now = 1760421600.0;
  const std::string body =
      R"({"v":1,"status":"ok","fetched_at":1760421540000,"windows":[{"key":"session","pct":42.5}]})";
  std::string padded = R"({"status":"ok","pad":")";
  padded += std::string(maxBodyBytes - padded.size() - 2, ' ') + "\"}";
  // Declares one byte less than it sends, which cuts the JSON short.
  const std::string cut = usage(body.substr(0, body.size() - 1)) + body.back();
  const std::tuple<const char*, std::string, std::string_view> cases[] = {
      {"usage", usage(body), wire::noContent},
      {"usage trailing request", usage(body) + "GET /x HTTP/1.1\r\n\r\n", wire::noContent},
      {"usage second origin ignored", usage(body, "origin: https://a.example\r\n"), wire::noContent},
      {"ping query and fragment", ping("/ping?x=1#y"), wire::ping},
      {"ping absolute form", ping("http://127.0.0.1:47615/ping"), wire::ping},
      {"usage lower-case names",
       "POST /usage HTTP/1.1\r\nhost: localhost\r\norigin: safari-web-extension://A\r\nx-quotalume: 1\r\n"
       "content-type:\t Application/JSON; charset=utf-8 \t\r\ncontent-length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body,
       wire::noContent},
      {"usage body of exactly the limit", usage(padded), wire::noContent},
      {"usage body cut by its length", cut, wire::badRequest},
      {"usage unknown status", usage(R"({"status":"maybe"})"), wire::badRequest},
      {"usage number too large for a double", usage(R"({"status":"ok","future":1e400})"), wire::noContent},
      {"usage empty body", usage(""), wire::badRequest},
      {"usage too large, body not sent", headOf(usage(std::string(65537, ' '))), wire::tooLarge},
      {"lone CR line", "GET /ping HTTP/1.1\r\nHost: localhost\r\n\r\r\n\r\n", wire::badRequest},
  };
  for (const auto& [name, request, answer] : cases) {
    SCOPED_TRACE(name);
    const Step got = processRequest(bytes(request), now);
    EXPECT_EQ(got.response.serialized(), answer);
    // The reading is stamped with the time the bridge received it.
    EXPECT_EQ(got.reading ? got.reading->received_at : 0, answer == wire::noContent ? now * 1000 : 0);
  }
}

}  // namespace
