#include "store/reading_store.hpp"

#include <limits>

#include <gtest/gtest.h>

#include "store/temp_folder.hpp"

namespace {

constexpr Date now = 1760421600;  // 2025-10-14 06:00:00 UTC
constexpr double nowMs = now * 1000;

const Reading okReading{
    "ok",
    std::nullopt,
    "Max 5x",
    nowMs - 30000,
    nowMs - 29000,
    {{"session", 42.5, nowMs + 3600000}, {"weekly", 7, std::nullopt}, {"opus", 100, nowMs + 1}}};
const Reading errorReading{"error", "HTTP 503 · upstream", "Pro", nowMs - 1000,
                           nowMs,   {{"sonnet", 0, nowMs}}};

// A stored reading with `fields` spliced in before the required members.
std::string stored(const std::string& status, const std::string& fields = "") {
  return R"({"status":")" + status + R"(",)" + fields +
         R"("fetched_at":1760421570000,"received_at":1760421571000,"windows":[{"key":"session","pct":42.5}]})";
}
const Reading storedOk{"ok",          std::nullopt,  std::nullopt,
                       1760421570000, 1760421571000, {{"session", 42.5, {}}}};

TEST(ReadingStore, PairsSurviveSaveAndLoad) {
  TempFolder tmp;
  const auto file = tmp / "data/dir/last.json";
  EXPECT_EQ(Store::load(file, now), Saved{});
  for (const Saved& saved : {Saved{errorReading, okReading}, Saved{std::nullopt, okReading},
                             Saved{errorReading, std::nullopt}, Saved{}}) {
    Store::save(saved, file);
    EXPECT_EQ(Store::load(file, now), saved);
  }

  const Saved good{errorReading, okReading};
  Store::save(good, file);
  Saved broken = good;
  broken.latest->windows[0].pct = std::numeric_limits<double>::quiet_NaN();
  Store::save(broken, file);
  EXPECT_EQ(Store::load(file, now), good);
}

TEST(ReadingStore, WritesSortedMembersAndLeavesAbsentReadingsOut) {
  const auto both = Store::encode({errorReading, okReading});
  ASSERT_TRUE(both);
  std::size_t at = 0;
  for (const char* key : {"\"latest\"", "\"error\"", "\"fetched_at\": 1760421599000", "\"plan\"",
                          "\"received_at\": 1760421600000", "\"status\"", "\"windows\"", "\"ok\""}) {
    at = both->find(key, at);
    ASSERT_NE(at, std::string::npos) << key;
  }
  EXPECT_EQ(Store::encode({}), "{}\n");
  EXPECT_EQ(Store::encode({std::nullopt, okReading})->find("latest"), std::string::npos);
}

TEST(ReadingStore, DecodesOrRejectsTheWholeDocument) {
  const std::string ok = stored("ok");
  const Saved empty;
  struct Case {
    const char* name;
    std::string bytes;
    Saved want;
  } cases[] = {
      {"both readings", R"({"latest":)" + ok + R"(,"ok":)" + ok + "}", {storedOk, storedOk}},
      {"latest null, ok kept; other members ignored",
       R"({"v":3,"latest":null,"ok":)" + ok + "}",
       {std::nullopt, storedOk}},
      {"not JSON", "last.json", empty},
      {"truncated", (R"({"latest":)" + ok).substr(0, 60), empty},
      {"top level array", "[" + ok + "]", empty},
      {"bare NaN", R"({"ok":)" + stored("ok", R"("plan":NaN,)") + "}", empty},
      {"latest lacking received_at spoils a good ok",
       R"({"latest":{"status":"ok","fetched_at":1,"windows":[]},"ok":)" + ok + "}", empty},
      {"bad ok spoils a good latest", R"({"latest":)" + ok + R"(,"ok":[]})", empty},
      {"plan of the wrong type", R"({"ok":)" + stored("ok", R"("plan":7,)") + "}", empty},
      {"boolean is not a number", R"({"ok":{"status":"ok","fetched_at":true,"received_at":1,"windows":[]}})",
       empty},
      {"window without pct",
       R"({"ok":{"status":"ok","fetched_at":1,"received_at":1,"windows":[{"key":"x"}]}})", empty},
      {"invalid UTF-8", R"({"ok":)" + stored("ok", "\"plan\":\"\xc3\x28\",") + "}", empty},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Store::decode(c.bytes, now), c.want);
  }
}

TEST(ReadingStore, LoadedReadingsPassTheSanitiser) {
  const std::string ok = stored("ok");
  Reading capped{"error",       std::nullopt,  std::nullopt,
                 1760421570000, 1760421570000, {{"session", maxPct, {}}}};
  struct Case {
    const char* name;
    std::string bytes;
    Saved want;
  } cases[] = {
      {"hostile numbers capped, unknown window dropped, far ok dropped",
       R"({"latest":{"status":"error","fetched_at":1760421570000,"received_at":1760421570000,"windows":[)"
       R"({"key":"session","pct":1e300,"resets_at":1e300},{"key":"bogus","pct":5}]},)"
       R"("ok":{"status":"ok","fetched_at":1e300,"received_at":1e300,"windows":[]}})",
       {capped, std::nullopt}},
      {"ok edited to another status is dropped, latest stays",
       R"({"latest":)" + ok + R"(,"ok":)" + stored("error") + "}",
       {storedOk, std::nullopt}},
      {"unknown status drops latest only",
       R"({"latest":)" + stored("asleep") + R"(,"ok":)" + ok + "}",
       {std::nullopt, storedOk}},
      {"more than 400 days old",
       R"({"ok":{"status":"ok","fetched_at":1725800000000,"received_at":1760421570000,"windows":[]}})",
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Store::decode(c.bytes, now), c.want);
  }
}

}  // namespace
