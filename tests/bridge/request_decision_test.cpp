#include <gtest/gtest.h>

#include "bridge/request_processing.hpp"
#include "bridge/wire_responses.hpp"

namespace {

TEST(RequestAccess, AllowsOnlyThisHostAndExtensionOrigins) {
  const std::pair<std::optional<std::string>, bool> hosts[] = {
      {"127.0.0.1:47615", true}, {"localhost", true},         {"LOCALHOST:47615", true},
      {std::nullopt, false},     {"127.0.0.1:80", false},     {"127.0.0.1:047615", false},
      {"[::1]:47615", false},    {"localhost:47615 ", false}, {"127.0.0.1.evil.example:47615", false}};
  const std::pair<std::optional<std::string>, bool> origins[] = {
      {"chrome-extension://a", true},          {"moz-extension://1-2", true},
      {"safari-web-extension://A", true},      {std::nullopt, false},
      {"chrome-extension://", false},          {"Chrome-Extension://a", false},
      {"https://chrome-extension://a", false}, {"null", false}};
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
      {"unknown path without host", "GET /nope", {{"host", gone}}, wire::forbidden},
      {"usage with foreign host", "POST /usage", {{"host", "example.com:47615"}}, wire::forbidden},
      {"ping ignores post headers", "GET /ping", {{"transfer-encoding", "x"}}, wire::ping},
      {"get usage", "GET /usage", {}, wire::notFound},
      // Route before origin: refusing a wrong path needs no credentials.
      {"post ping without origin", "POST /ping", {{"origin", gone}}, wire::notFound},
      {"missing origin", "POST /usage", {{"origin", gone}}, wire::forbidden},
      // Access checks come before any size or body check.
      {"web origin", "POST /usage", {{"origin", "http://a"}, {"content-length", "70000"}}, wire::forbidden},
      {"missing private header", "POST /usage", {{"x-quotalume", gone}}, wire::forbidden},
      {"private header 01", "POST /usage", {{"x-quotalume", "01"}}, wire::forbidden},
      {"private", "POST /usage", {{"x-quotalume", "true"}, {"transfer-encoding", "x"}}, wire::forbidden},
      {"chunked", "POST /usage", {{"transfer-encoding", "chunked"}}, wire::badRequest},
      {"empty encoding", "POST /usage", {{"transfer-encoding", ""}}, wire::badRequest},
      {"encoding",
       "POST /usage",
       {{"transfer-encoding", "x"}, {"content-length", "70000"}},
       wire::badRequest},
      {"missing content type", "POST /usage", {{"content-type", gone}}, wire::badRequest},
      {"json suffix type", "POST /usage", {{"content-type", "application/json+x"}}, wire::badRequest},
      {"only semicolons", "POST /usage", {{"content-type", ";;"}}, wire::badRequest},
      {"blank first piece", "POST /usage", {{"content-type", " ;application/json"}}, wire::badRequest},
      {"type",
       "POST /usage",
       {{"content-type", "text/plain"}, {"content-length", "70000"}},
       wire::badRequest},
      {"missing length", "POST /usage", {{"content-length", gone}}, wire::badRequest},
      {"plus sign", "POST /usage", {{"content-length", "+5"}}, wire::badRequest},
      {"minus sign", "POST /usage", {{"content-length", "-1"}}, wire::badRequest},
      {"non-ascii digit", "POST /usage", {{"content-length", "\xD9\xA1"}}, wire::badRequest},
      {"ten digits", "POST /usage", {{"content-length", "0000000001"}}, wire::tooLarge},
      {"just over the limit", "POST /usage", {{"content-length", "65537"}}, wire::tooLarge},
      {"exactly the limit", "POST /usage", {{"content-length", "65536"}}, "65536"},
      {"nine digits", "POST /usage", {{"content-length", "000065536"}}, "65536"},
      {"zero", "POST /usage", {{"content-length", "0"}}, "0"},
      {"json with parameters", "POST /usage", {{"content-type", "Application/JSON; charset=x"}}, "120"},
      {"json after empty piece", "POST /usage", {{"content-type", ";application/json"}}, "120"},
      {"json padded", "POST /usage", {{"content-type", " \tapplication/json\t ;"}}, "120"},
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

}  // namespace
