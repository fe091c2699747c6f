#include <gtest/gtest.h>

#include "monitor/reading_queue.hpp"
#include "monitor/reading_rule.hpp"

namespace {

constexpr double t0 = 1760421600000;  // epoch ms

Reading reading(const std::string& status, double receivedAt, double pct = 10) {
  if (status != "ok") return {status, {}, {}, receivedAt, receivedAt, {}};
  return {status, {}, {}, receivedAt, receivedAt, {{"session", pct, std::nullopt}}};
}

// An ok reading is always taken and shields the numbers from any other
// status for five minutes; no_data (a free plan) drops them.
TEST(ReadingRule, ABurstAppliesInOrderAroundTheOkShield) {
  const std::vector<Reading> burst = {
      reading("signed_out", 0),         // taken: no ok reading to shield
      reading("ok", t0, 10),            // taken
      reading("error", t0 + 1000),      // ignored
      reading("error", t0 - 600000),    // ignored: from before the ok reading
      reading("ok", t0 - 1, 30),        // taken, though older
      reading("no_data", t0 + 299998),  // ignored: just inside five minutes of t0 - 1
      reading("error", t0 + 299999),    // taken: at five minutes
      reading("no_data", t0 + 300000),  // taken
  };
  Saved saved;
  std::vector<std::string> heard;
  const BurstOutcome outcome = applyBurst(saved, burst, [&](const Reading& r) { heard.push_back(r.status); });
  EXPECT_EQ(std::tuple(outcome.accepted, outcome.ignored, heard),
            std::tuple(5, 3, std::vector<std::string>{"signed_out", "ok", "ok", "error", "no_data"}));
  EXPECT_EQ(std::pair(outcome.lastAccepted, outcome.lastIgnored),
            std::pair(std::optional(burst[7]), std::optional(burst[5])));
  EXPECT_EQ(saved, (Saved{burst[7], std::nullopt}));
  EXPECT_EQ(acceptedLine(burst[4]), "reading status=ok windows=1");
  EXPECT_EQ(ignoredLine(burst[5]), "reading status=no_data ignored: ok within 5 min");
}

TEST(ReadingQueue, OneDrainPerBurstAndTheOldestDroppedUnderAFlood) {
  ReadingQueue queue(100);
  EXPECT_TRUE(queue.push(reading("ok", t0)));
  EXPECT_FALSE(queue.push(reading("ok", t0 + 1)));
  EXPECT_EQ(queue.takeAll().size(), 2u);
  EXPECT_TRUE(queue.push(reading("ok", t0 + 2))) << "a drain that took everything asks for the next one";
  for (int i = 3; i < 150; ++i) queue.push(reading("ok", t0 + i));
  const auto all = queue.takeAll();
  EXPECT_EQ(std::tuple(all.size(), all.front().received_at, all.back().received_at, queue.dropped()),
            std::tuple(100u, t0 + 50, t0 + 149, 48u));
}

}  // namespace
