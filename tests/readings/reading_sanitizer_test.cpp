#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "readings/reading.hpp"

namespace {

constexpr Date now = 1760421600.0;
constexpr double nowMs = 1760421600000.0;
constexpr double inf = std::numeric_limits<double>::infinity();
const double nan = std::nan("");

Reading base() {
  Reading r;
  r.status = "ok";
  r.fetched_at = nowMs - 1000;
  r.received_at = nowMs;
  return r;
}

TEST(SanitizeReading, DropsReadingsWithBadStatusOrTimes) {
  struct Case {
    const char* name;
    std::string status;
    double fetchedAt;
    double receivedAt;
  } cases[] = {
      {"unknown status", "weird", nowMs, nowMs},
      {"empty status", "", nowMs, nowMs},
      {"both times 1e300", "ok", 1e300, 1e300},
      {"fetched NaN", "ok", nan, nowMs},
      {"fetched plus infinity", "ok", inf, nowMs},
      {"fetched minus infinity", "ok", -inf, nowMs},
      {"received NaN", "ok", nowMs, nan},
      {"received beyond 400 days ahead", "ok", nowMs, nowMs + timeSpanMs + 1},
      {"fetched at the epoch", "ok", 0, nowMs},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Reading r = base();
    r.status = c.status;
    r.fetched_at = c.fetchedAt;
    r.received_at = c.receivedAt;
    EXPECT_EQ(sanitizeReading(r, now), std::nullopt);
  }
}

TEST(SanitizeReading, KeepsEveryKnownStatusAndTimesAtTheLimit) {
  for (const auto status : knownStatuses) {
    SCOPED_TRACE(status);
    Reading r = base();
    r.status = std::string(status);
    r.fetched_at = nowMs - timeSpanMs;
    r.received_at = nowMs + timeSpanMs;
    EXPECT_EQ(sanitizeReading(r, now), r);
  }
}

TEST(SanitizeReading, FiltersClampsAndOrdersWindows) {
  struct Case {
    const char* name;
    std::vector<UsageWindow> in;
    std::vector<UsageWindow> want;
  } cases[] = {
      {"huge values clamp and bogus key goes",
       {{"session", 1e300, 1e300}, {"bogus", 5, {}}},
       {{"session", maxPct, {}}}},
      {"non-finite pct drops the window",
       {{"session", nan, {}}, {"weekly", inf, {}}, {"opus", -inf, {}}, {"sonnet", 1, {}}},
       {{"sonnet", 1, {}}}},
      {"non-finite resets_at only clears",
       {{"session", 1, nan}, {"weekly", 2, inf}, {"opus", 3, -inf}},
       {{"session", 1, {}}, {"weekly", 2, {}}, {"opus", 3, {}}}},
      {"first surviving window of a key wins",
       {{"session", nan, {}}, {"session", 20, {}}, {"session", 30, {}}},
       {{"session", 20, {}}}},
      {"negative and over-limit pct",
       {{"weekly", -5, {}}, {"session", 10000.5, {}}},
       {{"session", maxPct, {}}, {"weekly", 0, {}}}},
      {"keys match exactly", {{"Session", 1, {}}, {"session ", 1, {}}, {"", 1, {}}}, {}},
      {"resets_at at the limits",
       {{"session", 1, nowMs - timeSpanMs}, {"weekly", 1, nowMs + timeSpanMs}},
       {{"session", 1, nowMs - timeSpanMs}, {"weekly", 1, nowMs + timeSpanMs}}},
      {"resets_at past the limits",
       {{"session", 1, nowMs - timeSpanMs - 0.5}, {"weekly", 1, nowMs + timeSpanMs + 0.5}},
       {{"session", 1, {}}, {"weekly", 1, {}}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Reading r = base();
    r.windows = c.in;
    const auto got = sanitizeReading(r, now);
    ASSERT_TRUE(got);
    EXPECT_EQ(got->windows, c.want);
    EXPECT_EQ(sanitizeReading(*got, now), got) << "sanitising twice must change nothing";
  }
}

TEST(SanitizeReading, CleansTexts) {
  Reading r = base();
  r.error = "\n\t ";
  r.plan = "  Max\u200b 20x\u00a0";
  const auto got = sanitizeReading(r, now);
  ASSERT_TRUE(got);
  EXPECT_EQ(got->error, std::nullopt);
  EXPECT_EQ(got->plan, "Max 20x");
  EXPECT_EQ(got->fetched_at, r.fetched_at);
  EXPECT_EQ(got->received_at, r.received_at);
}

}  // namespace
