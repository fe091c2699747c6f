#include <gtest/gtest.h>

#include "bridge/request_processing.hpp"
#include "bridge/wire_responses.hpp"

namespace {

TEST(HostAllowed, AcceptsOnlyThisHostAndPort) {
  struct Case {
    std::optional<std::string> host;
    bool want;
  } cases[] = {
      {"127.0.0.1:47615", true},
      {"localhost:47615", true},
      {"127.0.0.1", true},
      {"localhost", true},
      {"LOCALHOST:47615", true},
      {std::nullopt, false},
      {"", false},
      {"127.0.0.1:80", false},
      {"127.0.0.1:047615", false},
      {"[::1]:47615", false},
      {"example.com:47615", false},
      {"127.0.0.1.evil.example:47615", false},
      {"localhost:47615 ", false},
      {"127.0.0.1:47615/", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.host.value_or("(absent)"));
    EXPECT_EQ(hostAllowed(c.host), c.want);
  }
}

TEST(OriginAllowed, AcceptsOnlyExtensionOrigins) {
  struct Case {
    std::optional<std::string> origin;
    bool want;
  } cases[] = {
      {"chrome-extension://a", true},
      {"chrome-extension://abcdefghijklmnopabcdefghijklmnop", true},
      {"moz-extension://1234-5678", true},
      {"safari-web-extension://ABCD", true},
      {std::nullopt, false},
      {"", false},
      {"chrome-extension://", false},
      {"Chrome-Extension://abc", false},
      {"https://chrome-extension://abc", false},
      {"http://127.0.0.1", false},
      {"https://example.com", false},
      {"null", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.origin.value_or("(absent)"));
    EXPECT_EQ(originAllowed(c.origin), c.want);
  }
}

// A head that passes every rule; each case changes what it needs.
HTTPHead validUsage() {
  return {"POST",
          "/usage",
          {{"host", "127.0.0.1:47615"},
           {"origin", "chrome-extension://a"},
           {"x-quotalume", "1"},
           {"content-type", "application/json"},
           {"content-length", "120"}},
          0};
}

TEST(Decide, AppliesTheRulesInOrder) {
  using Change = std::pair<std::string, std::optional<std::string>>;  // absent value: header removed
  struct Case {
    const char* name;
    std::string method;
    std::string path;
    std::vector<Change> changes;
    std::string_view want;     // the answer on the wire; empty when the body is to be read
    std::int64_t length = -1;  // when the body is to be read
  } cases[] = {
      // OPTIONS wins over every other rule, a missing Host included.
      {"options usage",
       "OPTIONS",
       "/usage",
       {{"host", std::nullopt}, {"origin", "https://example.com"}, {"access-control-request-method", "POST"}},
       wire::forbidden},
      {"options asterisk", "OPTIONS", "*", {}, wire::forbidden},
      {"options ping", "OPTIONS", "/ping", {}, wire::forbidden},
      // Host before route: a foreign page learns nothing, not even the version.
      {"ping without host", "GET", "/ping", {{"host", std::nullopt}}, wire::forbidden},
      {"ping with foreign host", "GET", "/ping", {{"host", "example.com:47615"}}, wire::forbidden},
      {"ping with rebinding host",
       "GET",
       "/ping",
       {{"host", "127.0.0.1.evil.example:47615"}},
       wire::forbidden},
      {"unknown path without host", "GET", "/nope", {{"host", std::nullopt}}, wire::forbidden},
      {"usage with foreign host", "POST", "/usage", {{"host", "example.com:47615"}}, wire::forbidden},
      {"ping", "GET", "/ping", {}, wire::ping},
      {"ping ignores post headers",
       "GET",
       "/ping",
       {{"content-length", "70000"}, {"transfer-encoding", "x"}},
       wire::ping},
      {"get usage", "GET", "/usage", {}, wire::notFound},
      {"get unknown", "GET", "/nope", {}, wire::notFound},
      {"put usage", "PUT", "/usage", {}, wire::notFound},
      {"delete usage", "DELETE", "/usage", {}, wire::notFound},
      // Route before origin: refusing a wrong path needs no credentials.
      {"post ping without origin", "POST", "/ping", {{"origin", std::nullopt}}, wire::notFound},
      {"post asterisk", "POST", "*", {}, wire::notFound},
      {"missing origin", "POST", "/usage", {{"origin", std::nullopt}}, wire::forbidden},
      {"web origin", "POST", "/usage", {{"origin", "https://example.com"}}, wire::forbidden},
      // Access checks come before any size or body check.
      {"web origin with huge length",
       "POST",
       "/usage",
       {{"origin", "https://example.com"}, {"content-length", "70000"}},
       wire::forbidden},
      {"missing private header", "POST", "/usage", {{"x-quotalume", std::nullopt}}, wire::forbidden},
      {"private header 0", "POST", "/usage", {{"x-quotalume", "0"}}, wire::forbidden},
      {"private header 01", "POST", "/usage", {{"x-quotalume", "01"}}, wire::forbidden},
      {"private header and chunked",
       "POST",
       "/usage",
       {{"x-quotalume", "true"}, {"transfer-encoding", "chunked"}},
       wire::forbidden},
      {"chunked", "POST", "/usage", {{"transfer-encoding", "chunked"}}, wire::badRequest},
      {"empty transfer-encoding", "POST", "/usage", {{"transfer-encoding", ""}}, wire::badRequest},
      {"identity with huge length",
       "POST",
       "/usage",
       {{"transfer-encoding", "identity"}, {"content-length", "70000"}},
       wire::badRequest},
      {"missing content type", "POST", "/usage", {{"content-type", std::nullopt}}, wire::badRequest},
      {"text content type", "POST", "/usage", {{"content-type", "text/plain"}}, wire::badRequest},
      {"json suffix type", "POST", "/usage", {{"content-type", "application/json+x"}}, wire::badRequest},
      {"only semicolons", "POST", "/usage", {{"content-type", ";;"}}, wire::badRequest},
      {"empty content type", "POST", "/usage", {{"content-type", ""}}, wire::badRequest},
      {"blank first piece", "POST", "/usage", {{"content-type", " ;application/json"}}, wire::badRequest},
      {"bad type with huge length",
       "POST",
       "/usage",
       {{"content-type", "text/plain"}, {"content-length", "70000"}},
       wire::badRequest},
      {"missing length", "POST", "/usage", {{"content-length", std::nullopt}}, wire::badRequest},
      {"letters", "POST", "/usage", {{"content-length", "abc"}}, wire::badRequest},
      {"plus sign", "POST", "/usage", {{"content-length", "+5"}}, wire::badRequest},
      {"minus sign", "POST", "/usage", {{"content-length", "-1"}}, wire::badRequest},
      {"exponent", "POST", "/usage", {{"content-length", "1e3"}}, wire::badRequest},
      {"non-ascii digit", "POST", "/usage", {{"content-length", "\xD9\xA1"}}, wire::badRequest},
      {"ten digits", "POST", "/usage", {{"content-length", "0000000001"}}, wire::tooLarge},
      {"twenty digits", "POST", "/usage", {{"content-length", "99999999999999999999"}}, wire::tooLarge},
      {"just over the limit", "POST", "/usage", {{"content-length", "65537"}}, wire::tooLarge},
      {"70000", "POST", "/usage", {{"content-length", "70000"}}, wire::tooLarge},
      {"exactly the limit", "POST", "/usage", {{"content-length", "65536"}}, "", 65536},
      {"nine digits with zeros", "POST", "/usage", {{"content-length", "000065536"}}, "", 65536},
      {"zero", "POST", "/usage", {{"content-length", "0"}}, "", 0},
      {"usual", "POST", "/usage", {}, "", 120},
      {"json with parameters",
       "POST",
       "/usage",
       {{"content-type", "Application/JSON; charset=utf-8"}},
       "",
       120},
      {"json after empty piece", "POST", "/usage", {{"content-type", ";application/json"}}, "", 120},
      {"json padded", "POST", "/usage", {{"content-type", " \tapplication/json\t ;"}}, "", 120},
      {"moz origin", "POST", "/usage", {{"origin", "moz-extension://1234-5678"}}, "", 120},
      {"safari origin", "POST", "/usage", {{"origin", "safari-web-extension://ABCD"}}, "", 120},
      {"localhost", "POST", "/usage", {{"host", "LOCALHOST"}}, "", 120},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    HTTPHead head = validUsage();
    head.method = c.method;
    head.path = c.path;
    for (const auto& [name, value] : c.changes) {
      if (value) {
        head.headers[name] = *value;
      } else {
        head.headers.erase(name);
      }
    }
    const Decision got = decide(head);
    if (c.want.empty()) {
      ASSERT_EQ(got.kind, Decision::Kind::readBody);
      EXPECT_EQ(got.bodyLength, c.length);
    } else {
      ASSERT_EQ(got.kind, Decision::Kind::respond);
      EXPECT_EQ(got.response.serialized(), c.want);
    }
  }
}

TEST(Decide, RefusesAHeadWithoutHeaders) {
  const Decision got = decide(HTTPHead{"GET", "/ping", {}, 22});
  ASSERT_EQ(got.kind, Decision::Kind::respond);
  EXPECT_EQ(got.response.serialized(), wire::forbidden);
}

}  // namespace
