#include <cmath>

#include <gtest/gtest.h>

#include "store/alert_store.hpp"
#include "store/fixtures.hpp"
#include "store/reading_store.hpp"

constexpr EpochSeconds now = 1760421600;  // 2025-10-14 06:00:00 UTC
constexpr double ms = now * 1000;

TEST(ReadingStore, PairsSurviveSaveAndLoadAndAnUnsavablePairKeepsTheOldFile) {
  const Reading ok{"ok", {}, "Max 5x", ms - 3e4, ms - 2e4, {{"session", 42.5, ms + 36e5}, {"weekly", 7, {}}}};
  const Reading error{"error", "HTTP 503 · upstream", "Pro", ms - 1000, ms, {{"sonnet", 0, ms}}};
  TempFolder tmp;
  const auto file = tmp / "data/last.json";
  for (Saved saved : {Saved{}, Saved{{}, ok}, Saved{error, {}}, Saved{error, ok}}) {
    Store::save(saved, file);
    EXPECT_EQ(Store::load(file, now), saved);
  }
  Saved broken{error, ok};
  broken.latest->windows[0].pct = std::nan("");
  Store::save(broken, file);
  EXPECT_EQ(Store::load(file, now), (Saved{error, ok}));
  EXPECT_EQ(Store::encode({{}, ok})->find("latest"), std::string::npos);
}

// Whether what is kept was sanitised is checked by the fuzz corpus replay.
TEST(ReadingStore, DecodesTheWholeDocumentOrNothing) {
  const std::string ok =
      R"({"status":"ok","fetched_at":1760421570000,"received_at":1760421571000,"windows":[{"key":"session","pct":42.5}]})";
  const Reading back{"ok", {}, {}, 1760421570000, 1760421571000, {{"session", 42.5, {}}}};
  const std::pair<std::string, Saved> cases[] = {
      {R"({"v":3,"latest":)" + ok + R"(,"ok":)" + ok + "}", {back, back}},
      {R"({"latest":null,"ok":)" + ok + "}", {{}, back}},
      {"[" + ok + "]", {}},
      {R"({"ok":)" + ok.substr(0, ok.size() - 1) + ",\"plan\":\"\xc3\x28\"}}", {}},  // invalid UTF-8
      {R"({"ok":)" + ok.substr(0, ok.size() - 1) + R"(,"error":503}})", {}},  // a member of the wrong type
      {R"({"latest":{"status":"ok"},"ok":)" + ok + "}", {}},                  // a bad latest spoils a good ok
      {R"({"latest":)" + ok + R"(,"ok":[]})", {}},                            // and a bad ok a good latest
      // Hand-edited files may hold literals beyond the largest double, which
      // are simply not finite: the window goes, the reading and the file stay.
      {R"({"x":1e400,"ok":)" + ok.substr(0, ok.size() - 2) + R"(,{"key":"weekly","pct":1e400}]}})",
       {{}, back}},
  };
  for (const auto& [bytes, want] : cases) EXPECT_EQ(Store::decode(bytes, now), want) << bytes;
}

// A file past the size limit is not read at all, however valid.
TEST(AlertStore, LoadsNothingPastTheSizeLimit) {
  const std::string valid = R"({"session":{"cycle":1760421600000,"near":true,"reached":false}})";
  TempFolder tmp;
  writeAll(tmp / "alerts.json", valid + std::string(1 << 16, ' '));
  EXPECT_EQ(AlertStore::load(tmp / "alerts.json"), AlertState{});
  writeAll(tmp / "alerts.json", valid);
  EXPECT_EQ(AlertStore::load(tmp / "alerts.json"), (AlertState{{"session", {1760421600000, true, false}}}));
}
