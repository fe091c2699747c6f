#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "readings/reading.hpp"

namespace {

constexpr Date now = 1760421600.0;
constexpr double nowMs = 1760421600000.0;
constexpr double dayMs = 86400000.0;

// A time `days` away from now, written as a JSON integer literal.
std::string msFromNow(double days) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.0f", nowMs + days * dayMs);
  return buffer;
}

struct Win {
  std::string key;
  double pct;
  std::optional<double> resetsAt;
};

std::vector<Win> windowsOf(const Reading& r) {
  std::vector<Win> out;
  for (const auto& w : r.windows) out.push_back({w.key, w.pct, w.resets_at});
  return out;
}

void expectWindows(const Reading& r, const std::vector<Win>& want) {
  const auto got = windowsOf(r);
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(got[i].key, want[i].key);
    EXPECT_EQ(got[i].pct, want[i].pct);
    EXPECT_EQ(got[i].resetsAt, want[i].resetsAt);
  }
}

TEST(ParseReading, AcceptsTheFullDocumentAndIgnoresUnknownKeys) {
  const auto r = parseReading(R"({"v":1,"status":"ok","plan":"Max 5x","fetched_at":1760421500000,
    "future_field":{"nested":[1,2,{"x":null}]},
    "windows":[
      {"key":"session","pct":42.3,"resets_at":1760430000000},
      {"key":"weekly","pct":18.0},
      {"key":"opus","pct":5.0,"extra":true},
      {"key":"haiku_next","pct":77,"resets_at":null}]})",
                              now);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, "ok");
  EXPECT_EQ(r->plan, "Max 5x");
  EXPECT_EQ(r->error, std::nullopt);
  EXPECT_EQ(r->fetched_at, 1760421500000.0);
  EXPECT_EQ(r->received_at, nowMs);
  expectWindows(*r, {{"session", 42.3, 1760430000000.0}, {"weekly", 18.0, {}}, {"opus", 5.0, {}}});
}

TEST(ParseReading, RejectsContractBreaches) {
  struct Case {
    const char* name;
    std::string body;
  } cases[] = {
      {"unknown status", R"({"status":"weird"})"},
      {"another unknown status", R"({"status":"maybe"})"},
      {"status differs in case", R"({"status":"OK"})"},
      {"status missing", R"({"windows":[]})"},
      {"status null", R"({"status":null})"},
      {"windows a string", R"({"status":"ok","windows":"x"})"},
      {"windows an object", R"({"status":"ok","windows":{"key":"session","pct":1}})"},
      {"v a string", R"({"v":"1","status":"ok"})"},
      {"v zero", R"({"v":0,"status":"ok"})"},
      {"v just below one", R"({"v":0.999,"status":"ok"})"},
      {"v negative", R"({"v":-1,"status":"ok"})"},
      {"v a boolean", R"({"v":true,"status":"ok"})"},
      {"fetched_at a string", R"({"status":"ok","fetched_at":"1760421600000"})"},
      {"fetched_at NaN as a string", R"({"status":"ok","fetched_at":"NaN"})"},
      {"fetched_at a boolean", R"({"status":"ok","fetched_at":true})"},
      {"fetched_at far future", R"({"status":"ok","fetched_at":1e15})"},
      {"fetched_at zero", R"({"status":"ok","fetched_at":0})"},
      {"fetched_at 401 days ago", R"({"status":"ok","fetched_at":)" + msFromNow(-401) + "}"},
      {"document cut off", R"({"status":"ok","windows":[{"key":"sess)"},
      {"bare NaN token", R"({"status":"ok","windows":[{"key":"session","pct":NaN}]})"},
      {"bare Infinity token", R"({"status":"ok","windows":[{"key":"session","pct":Infinity}]})"},
      {"number too large for a double", R"({"status":"ok","windows":[{"key":"session","pct":1e400}]})"},
      {"top level an array", R"([{"status":"ok"}])"},
      {"empty body", ""},
      {"trailing garbage", R"({"status":"ok"} x)"},
      {"two documents", R"({"status":"ok"}{"status":"ok"})"},
      {"invalid UTF-8 in a string", "{\"status\":\"ok\",\"plan\":\"\xff\"}"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(parseReading(c.body, now), std::nullopt);
  }
}

TEST(ParseReading, AcceptsOptionalMembersAbsentOrNull) {
  struct Case {
    const char* name;
    std::string body;
    const char* status;
    double fetchedAt;
  } cases[] = {
      {"status only", R"({"status":"no_data"})", "no_data", nowMs},
      {"null version and time", R"({"v":null,"status":"ok","fetched_at":null})", "ok", nowMs},
      {"null windows", R"({"status":"error","windows":null})", "error", nowMs},
      {"version above one", R"({"v":2.5,"status":"ok"})", "ok", nowMs},
      {"version exactly one as a float", R"({"v":1.0,"status":"ok"})", "ok", nowMs},
      {"signed out with exact integer time", R"({"v":1,"status":"signed_out","plan":null,
         "fetched_at":1760421600000,"windows":[]})",
       "signed_out", 1760421600000.0},
      {"fetched_at exactly 400 days ahead", R"({"status":"ok","fetched_at":)" + msFromNow(400) + "}", "ok",
       nowMs + timeSpanMs},
      {"fetched_at exactly 400 days ago", R"({"status":"ok","fetched_at":)" + msFromNow(-400) + "}", "ok",
       nowMs - timeSpanMs},
      {"fetched_at with a fraction", R"({"status":"ok","fetched_at":1760421599999.5})", "ok",
       1760421599999.5},
      {"surrounding whitespace", " \n\t{\"status\":\"ok\"}\r\n", "ok", nowMs},
      {"byte-order mark before the document", "\xef\xbb\xbf{\"status\":\"ok\"}", "ok", nowMs},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto r = parseReading(c.body, now);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, c.status);
    EXPECT_EQ(r->fetched_at, c.fetchedAt);
    EXPECT_EQ(r->received_at, nowMs);
    EXPECT_EQ(r->plan, std::nullopt);
    EXPECT_TRUE(r->windows.empty());
  }
}

TEST(ParseReading, SkipsBadWindowElementsWithoutRejecting) {
  struct Case {
    const char* name;
    std::string windows;
    std::vector<Win> want;
  } cases[] = {
      {"mixed junk leaves only sonnet",
       R"([{"key":"session","pct":null},{"key":"weekly","pct":"5"},{"key":"opus","pct":true},
           {"pct":5},"junk",{"key":"sonnet","pct":-3,"resets_at":"x"}])",
       {{"sonnet", 0.0, {}}}},
      {"string NaN and Infinity skip, string resets_at only clears",
       R"([{"key":"session","pct":"NaN","resets_at":"Infinity"},{"key":"weekly","pct":"Infinity"},
           {"key":"opus","pct":5,"resets_at":"NaN"}])",
       {{"opus", 5.0, {}}}},
      {"unknown and non-string keys",
       R"([{"key":"haiku_next","pct":1},{"key":1,"pct":1},{"key":null,"pct":1},{"key":"Session","pct":1}])",
       {}},
      {"non-object elements", R"([1,null,true,[{"key":"session","pct":1}],"session"])", {}},
      {"pct missing", R"([{"key":"session"}])", {}},
      {"pct an object", R"([{"key":"session","pct":{"v":1}}])", {}},
      {"later duplicate wins",
       R"([{"key":"session","pct":10},{"key":"session","pct":20}])",
       {{"session", 20.0, {}}}},
      {"invalid duplicate does not erase valid one",
       R"([{"key":"session","pct":10},{"key":"session","pct":"x"}])",
       {{"session", 10.0, {}}}},
      {"document order is not kept",
       R"([{"key":"design","pct":6},{"key":"sonnet","pct":4},{"key":"session","pct":1},
           {"key":"fable","pct":5},{"key":"weekly","pct":2},{"key":"opus","pct":3}])",
       {{"session", 1, {}},
        {"weekly", 2, {}},
        {"opus", 3, {}},
        {"sonnet", 4, {}},
        {"fable", 5, {}},
        {"design", 6, {}}}},
      {"null and missing resets_at both absent",
       R"([{"key":"session","pct":1,"resets_at":null},{"key":"weekly","pct":2}])",
       {{"session", 1, {}}, {"weekly", 2, {}}}},
      {"boolean resets_at is absent",
       R"([{"key":"session","pct":1,"resets_at":true}])",
       {{"session", 1, {}}}},
      {"negative zero pct", R"([{"key":"session","pct":-0.0}])", {{"session", 0, {}}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (const char* status : {"ok", "error"}) {
      SCOPED_TRACE(status);
      const auto r =
          parseReading(std::string(R"({"status":")") + status + R"(","windows":)" + c.windows + "}", now);
      ASSERT_TRUE(r);
      expectWindows(*r, c.want);
    }
  }
}

TEST(ParseReading, ClampsHostileNumbers) {
  struct Case {
    const char* name;
    std::string window;
    double pct;
    std::optional<double> resetsAt;
  } cases[] = {
      {"pct above 100 kept", R"({"key":"session","pct":123.4})", 123.4, {}},
      {"pct 1e19", R"({"key":"session","pct":1e19})", maxPct, {}},
      {"pct 1e308", R"({"key":"session","pct":1e308})", maxPct, {}},
      {"pct huge integer", R"({"key":"session","pct":18446744073709551615})", maxPct, {}},
      {"pct exactly the maximum", R"({"key":"session","pct":10000})", maxPct, {}},
      {"pct -1e308", R"({"key":"session","pct":-1e308})", 0, {}},
      {"tiny pct kept", R"({"key":"session","pct":1e-300})", 1e-300, {}},
      {"resets_at 1e15", R"({"key":"session","pct":1,"resets_at":1e15})", 1, {}},
      {"resets_at -1e15", R"({"key":"session","pct":1,"resets_at":-1e15})", 1, {}},
      {"resets_at 399 days ahead kept", R"({"key":"session","pct":1,"resets_at":)" + msFromNow(399) + "}", 1,
       nowMs + 399 * dayMs},
      {"resets_at 401 days ahead cleared",
       R"({"key":"session","pct":1,"resets_at":)" + msFromNow(401) + "}",
       1,
       {}},
      {"resets_at exactly 400 days ahead kept",
       R"({"key":"session","pct":1,"resets_at":)" + msFromNow(400) + "}", 1, nowMs + timeSpanMs},
      {"resets_at exactly 400 days ago kept",
       R"({"key":"session","pct":1,"resets_at":)" + msFromNow(-400) + "}", 1, nowMs - timeSpanMs},
      {"resets_at one ms past 400 days ago cleared",
       R"({"key":"session","pct":1,"resets_at":)" + msFromNow(-400 - 1 / dayMs) + "}",
       1,
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto r = parseReading(R"({"status":"ok","windows":[)" + c.window + "]}", now);
    ASSERT_TRUE(r);
    expectWindows(*r, {{"session", c.pct, c.resetsAt}});
  }
}

TEST(ParseReading, CleansErrorAndPlanAndIgnoresOtherTypes) {
  struct Case {
    const char* name;
    std::string members;
    std::optional<std::string> error;
    std::optional<std::string> plan;
  } cases[] = {
      {"line feed removed", R"("error":"http-503\nX")", "http-503X", {}},
      {"controls and spaces only", R"("error":" \t\r\n\u0000 ","plan":"\u200b\u00a0")", {}, {}},
      {"numbers are ignored", R"("error":503,"plan":5)", {}, {}},
      {"null, object and array are ignored", R"("error":null,"plan":{"name":"Max"})", {}, {}},
      {"long plan cut to 40",
       R"("plan":"0123456789012345678901234567890123456789ABC")",
       {},
       "0123456789012345678901234567890123456789"},
      {"surrounding spaces trimmed", R"("plan":"  Max 5x  ")", {}, "Max 5x"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto r = parseReading(R"({"status":"error",)" + c.members + "}", now);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->error, c.error);
    EXPECT_EQ(r->plan, c.plan);
  }
}

TEST(ParseReading, ByteSpanOverloadAgrees) {
  const std::string body = R"({"status":"ok","windows":[{"key":"weekly","pct":3}]})";
  const std::vector<std::uint8_t> bytes(body.begin(), body.end());
  EXPECT_EQ(parseReading(std::span<const std::uint8_t>(bytes), now), parseReading(body, now));
  EXPECT_EQ(parseReading(std::span<const std::uint8_t>(), now), std::nullopt);
}

TEST(ParseReading, ANonFiniteClockRejectsEverything) {
  for (double bad : {std::nan(""), double(INFINITY), -double(INFINITY)}) {
    EXPECT_EQ(parseReading(R"({"status":"ok"})", bad), std::nullopt);
  }
}

// The bridge admits bodies up to 64 KiB: nesting that deep must neither
// overflow the stack while parsing nor while the document is destroyed.
TEST(ParseReading, SurvivesDeepNesting) {
  const int depth = 65536 / 2;
  const std::string nested = std::string(depth, '[') + std::string(depth, ']');
  EXPECT_TRUE(parseReading(R"({"status":"ok","future":)" + nested + "}", now));
  EXPECT_EQ(parseReading(std::string(65536, '['), now), std::nullopt);
  EXPECT_EQ(parseReading(R"({"status":"ok","windows":)" + nested + "}", now)->windows.size(), 0u);
}

}  // namespace
