#include "store/reading_store.hpp"

#include <cmath>

#include <gtest/gtest.h>

#include "store/temp_folder.hpp"

constexpr Date now = 1760421600;  // 2025-10-14 06:00:00 UTC
constexpr double ms = now * 1000;

TEST(ReadingStore, PairsSurviveSaveAndLoadAndAnUnsavablePairKeepsTheOldFile) {
  const Reading ok{"ok",       {},         "Max 5x",
                   ms - 30000, ms - 29000, {{"session", 42.5, ms + 3600000}, {"weekly", 7, {}}}};
  const Reading error{"error", "HTTP 503 · upstream", "Pro", ms - 1000, ms, {{"sonnet", 0, ms}}};
  TempFolder tmp;
  EXPECT_EQ(Store::load(tmp / "data/last.json", now), Saved{});
  for (Saved saved : {Saved{error, ok}, Saved{{}, ok}, Saved{error, {}}, Saved{}}) {
    Store::save(saved, tmp / "data/last.json");
    EXPECT_EQ(Store::load(tmp / "data/last.json", now), saved);
  }
  Saved broken{error, ok};
  Store::save(broken, tmp / "data/last.json");
  broken.latest->windows[0].pct = std::nan("");
  Store::save(broken, tmp / "data/last.json");
  EXPECT_EQ(Store::load(tmp / "data/last.json", now), (Saved{error, ok}));
  EXPECT_EQ(Store::encode({}), "{}\n");
  EXPECT_EQ(Store::encode({{}, ok})->find("latest"), std::string::npos);
}

TEST(ReadingStore, DecodesTheWholeDocumentOrNothingThenSanitisesEachReading) {
  const auto stored = [](const std::string& status) {
    return R"({"status":")" + status +
           R"(","fetched_at":1760421570000,"received_at":1760421571000,"windows":[{"key":"session","pct":42.5}]})";
  };
  const std::string ok = stored("ok");
  const Reading back{"ok", {}, {}, 1760421570000, 1760421571000, {{"session", 42.5, {}}}};
  const Reading capped{"error", {}, {}, 1760421570000, 1760421570000, {{"session", maxPct, {}}}};
  const std::pair<std::string, Saved> cases[] = {
      {R"({"v":3,"latest":)" + ok + R"(,"ok":)" + ok + "}", {back, back}},
      {R"({"latest":null,"ok":)" + ok + "}", {{}, back}},
      {"[" + ok + "]", {}},
      {R"({"ok":{"status":"ok","plan":"\xc3\x28","fetched_at":1,"received_at":1,"windows":[]}})", {}},
      {R"({"latest":{"status":"ok"},"ok":)" + ok + "}", {}},  // a bad latest spoils a good ok
      {R"({"latest":)" + ok + R"(,"ok":[]})", {}},            // and a bad ok a good latest
      // Hostile numbers capped, an unknown window dropped, a far-future ok dropped.
      {R"({"latest":{"status":"error","fetched_at":1760421570000,"received_at":1760421570000,"windows":[)"
       R"({"key":"session","pct":1e300,"resets_at":1e300},{"key":"bogus","pct":5}]},)"
       R"("ok":{"status":"ok","fetched_at":1e300,"received_at":1e300,"windows":[]}})",
       {capped, {}}},
      {R"({"latest":)" + ok + R"(,"ok":)" + stored("error") + "}", {back, {}}},  // ok must have status ok
  };
  for (const auto& [bytes, want] : cases) EXPECT_EQ(Store::decode(bytes, now), want) << bytes;
}
