// The reading rule decides which numbers the user sees; a wrong edge hides
// good numbers behind a passing error, or keeps stale ones.
#include <gtest/gtest.h>

#include <thread>

#include "app/reading_queue.hpp"
#include "app/reading_rule.hpp"

namespace {

constexpr double t0 = 1760421600000;  // epoch ms

Reading reading(const std::string& status, double receivedAt, double pct = 10) {
  if (status != "ok") return {status, {}, {}, receivedAt, receivedAt, {}};
  return {status, {}, {}, receivedAt, receivedAt, {{"session", pct, std::nullopt}}};
}

TEST(ReadingRule, AcceptanceAroundTheOkShield) {
  struct Case {
    const char* name;
    std::optional<Reading> ok;
    Reading incoming;
    bool accepted;
  } cases[] = {
      {"error just inside five minutes", reading("ok", t0), reading("error", t0 + 299999), false},
      {"error at five minutes", reading("ok", t0), reading("error", t0 + 300000), true},
      {"signed out long after", reading("ok", t0), reading("signed_out", t0 + 3600000), true},
      {"no_data inside five minutes", reading("ok", t0), reading("no_data", t0 + 1000), false},
      {"non-ok from before the ok reading", reading("ok", t0), reading("error", t0 - 600000), false},
      {"ok at once", reading("ok", t0), reading("ok", t0 + 1), true},
      {"ok from the past", reading("ok", t0), reading("ok", t0 - 1), true},
      {"anything without an ok reading", std::nullopt, reading("error", t0), true},
      {"even from the epoch", std::nullopt, reading("signed_out", 0), true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Saved saved;
    saved.ok = c.ok;
    saved.latest = c.ok;
    EXPECT_EQ(readingAccepted(saved, c.incoming), c.accepted);
  }
}

TEST(ReadingRule, KeptReadingsUpdateThePair) {
  const Reading ok = reading("ok", t0, 42), error = reading("error", t0 + 300000),
                free = reading("no_data", t0 + 600000);
  Saved saved;
  keepReading(saved, ok);
  EXPECT_EQ(saved, (Saved{ok, ok}));
  keepReading(saved, error);
  EXPECT_EQ(saved, (Saved{error, ok}));
  keepReading(saved, free);
  EXPECT_EQ(saved, (Saved{free, std::nullopt}));
}

TEST(ReadingRule, ABurstAppliesInOrderAndEndsOnTheLastKeptReading) {
  Saved saved;
  const std::vector<Reading> burst = {reading("ok", t0, 10), reading("error", t0 + 1000),
                                      reading("ok", t0 + 2000, 30), reading("signed_out", t0 + 3000)};
  std::vector<std::string> heard;
  const BurstOutcome outcome = applyBurst(saved, burst, [&](const Reading& r) { heard.push_back(r.status); });
  EXPECT_EQ(std::tuple(outcome.accepted, outcome.ignored, heard),
            std::tuple(2, 2, std::vector<std::string>{"ok", "ok"}));
  EXPECT_EQ(std::pair(outcome.lastAccepted, outcome.lastIgnored),
            std::pair(std::optional(burst[2]), std::optional(burst[3])));
  EXPECT_EQ(saved, (Saved{burst[2], burst[2]}));
  EXPECT_EQ(acceptedLine(burst[2]), "reading status=ok windows=1");
  EXPECT_EQ(ignoredLine(burst[3]), "reading status=signed_out ignored: ok within 5 min");
}

TEST(ReadingQueue, OneDrainPerBurstAndBoundedUnderAFlood) {
  ReadingQueue queue(100);
  EXPECT_TRUE(queue.push(reading("ok", t0)));
  EXPECT_FALSE(queue.push(reading("ok", t0 + 1)));
  EXPECT_EQ(queue.takeAll().size(), 2u);
  EXPECT_TRUE(queue.push(reading("ok", t0 + 2))) << "a drain that took everything asks for the next one";
  queue.takeAll();

  // Several threads flood it; the newest reading is never the one dropped.
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&queue, t] {
      for (int i = 0; i < 1000; ++i) queue.push(reading("ok", t0 + t * 10000 + i));
    });
  for (auto& t : threads) t.join();
  queue.push(reading("ok", t0 + 99999999));
  const auto all = queue.takeAll();
  EXPECT_EQ(all.size(), 100u);
  EXPECT_EQ(all.back().received_at, t0 + 99999999);
  EXPECT_EQ(queue.dropped(), 4001u - 100u);
}

}  // namespace
