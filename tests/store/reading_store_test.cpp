#include "store/reading_store.hpp"

#include <limits>

#include <gtest/gtest.h>

#include "store/temp_folder.hpp"

namespace {

constexpr Date now = 1760421600;  // 2025-10-14 06:00:00 UTC
constexpr double nowMs = now * 1000;

Reading okReading() {
  Reading r;
  r.status = "ok";
  r.plan = "Max 5x";
  r.fetched_at = nowMs - 30000;
  r.received_at = nowMs - 29000;
  r.windows = {{"session", 42.5, nowMs + 3600000}, {"weekly", 7, std::nullopt}, {"opus", 100, nowMs + 1}};
  return r;
}

Reading errorReading() {
  Reading r;
  r.status = "error";
  r.error = "HTTP 503 · upstream";
  r.plan = "Pro";
  r.fetched_at = nowMs - 1000;
  r.received_at = nowMs;
  r.windows = {{"sonnet", 0, nowMs + 86400000}};
  return r;
}

const char* validOk = R"({"status":"ok","fetched_at":1760421570000,"received_at":1760421571000,)"
                      R"("windows":[{"key":"session","pct":42.5}]})";

Reading validOkDecoded() {
  Reading r;
  r.status = "ok";
  r.fetched_at = 1760421570000;
  r.received_at = 1760421571000;
  r.windows = {{"session", 42.5, std::nullopt}};
  return r;
}

std::string withOk(const std::string& latest) {
  return R"({"latest":)" + latest + R"(,"ok":)" + validOk + "}";
}

TEST(ReadingStore, PairsSurviveSaveAndLoad) {
  TempFolder tmp;
  const Saved pairs[] = {
      {errorReading(), okReading()},
      {okReading(), okReading()},
      {std::nullopt, okReading()},
      {errorReading(), std::nullopt},
      {},
  };
  for (const auto& saved : pairs) {
    Store::save(saved, tmp / "last.json");
    EXPECT_EQ(Store::load(tmp / "last.json", now), saved);
  }
}

TEST(ReadingStore, WritesSortedMembersAndLeavesAbsentReadingsOut) {
  const auto both = Store::encode({errorReading(), okReading()});
  ASSERT_TRUE(both);
  std::size_t at = 0;
  for (const char* key : {"\"latest\"", "\"error\"", "\"fetched_at\": 1760421599000", "\"plan\"",
                          "\"received_at\": 1760421600000", "\"status\"", "\"windows\"", "\"ok\""}) {
    SCOPED_TRACE(key);
    const auto found = both->find(key, at);
    ASSERT_NE(found, std::string::npos);
    at = found;
  }

  EXPECT_EQ(Store::encode({}), "{}\n");
  const auto okOnly = Store::encode({std::nullopt, okReading()});
  ASSERT_TRUE(okOnly);
  EXPECT_EQ(okOnly->find("latest"), std::string::npos);
  EXPECT_EQ(okOnly->find("null"), std::string::npos);
}

TEST(ReadingStore, DamagedDocumentsLoadAsTheEmptyPair) {
  const std::string valid = withOk(validOk);
  ASSERT_EQ(Store::decode(valid, now), (Saved{validOkDecoded(), validOkDecoded()}));

  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"empty file", ""},
      {"not JSON", "last.json"},
      {"truncated", valid.substr(0, valid.size() / 2)},
      {"top level array", "[" + valid + "]"},
      {"top level null", "null"},
      {"top level string", R"("{}")"},
      {"bare NaN token", R"({"latest":{"status":"ok","fetched_at":NaN,"received_at":1,"windows":[]}})"},
      {"latest without received_at keeps nothing, not even ok",
       withOk(R"({"status":"ok","fetched_at":1760421570000,"windows":[]})")},
      {"status not a string",
       withOk(R"({"status":1,"fetched_at":1760421570000,"received_at":1760421570000,"windows":[]})")},
      {"time as a string",
       withOk(R"({"status":"ok","fetched_at":"1760421570000","received_at":1760421570000,"windows":[]})")},
      {"boolean is not a time",
       withOk(R"({"status":"ok","fetched_at":true,"received_at":1760421570000,"windows":[]})")},
      {"windows not an array",
       withOk(R"({"status":"ok","fetched_at":1760421570000,"received_at":1760421570000,"windows":{}})")},
      {"windows missing",
       withOk(R"({"status":"ok","fetched_at":1760421570000,"received_at":1760421570000})")},
      {"window without pct",
       withOk(
           R"({"status":"ok","fetched_at":1760421570000,"received_at":1760421570000,"windows":[{"key":"session"}]})")},
      {"window that is not an object",
       withOk(R"({"status":"ok","fetched_at":1760421570000,"received_at":1760421570000,"windows":[3]})")},
      {"plan of the wrong type",
       withOk(
           R"({"status":"ok","plan":7,"fetched_at":1760421570000,"received_at":1760421570000,"windows":[]})")},
      {"reading that is an array", withOk("[]")},
      {"bad ok spoils a good latest", R"({"latest":)" + std::string(validOk) + R"(,"ok":{"status":"ok"}})"},
      {"invalid UTF-8", withOk(R"({"status":"ok","plan":")" + std::string("\xc3\x28") +
                               R"(","fetched_at":1760421570000,"received_at":1760421570000,"windows":[]})")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Store::decode(c.bytes, now), Saved{});
  }
}

TEST(ReadingStore, LoadedReadingsPassTheSanitiser) {
  const std::string hostileLatest =
      R"({"status":"error","fetched_at":1760421570000,"received_at":1760421570000,"windows":[)"
      R"({"key":"session","pct":1e300,"resets_at":1e300},{"key":"bogus","pct":5}]})";
  Reading cappedSession;
  cappedSession.status = "error";
  cappedSession.fetched_at = 1760421570000;
  cappedSession.received_at = 1760421570000;
  cappedSession.windows = {{"session", maxPct, std::nullopt}};

  const std::string farOk =
      R"({"status":"ok","fetched_at":1e300,"received_at":1e300,"windows":[{"key":"session","pct":1}]})";

  struct Case {
    const char* name;
    std::string bytes;
    Saved want;
  } cases[] = {
      {"hostile numbers are capped, unknown windows dropped",
       R"({"latest":)" + hostileLatest + R"(,"ok":)" + farOk + "}",
       {cappedSession, std::nullopt}},
      {"latest null, ok kept",
       R"({"latest":null,"ok":)" + std::string(validOk) + "}",
       {std::nullopt, validOkDecoded()}},
      {"other members ignored",
       R"({"version":3,"ok":)" + std::string(validOk) + "}",
       {std::nullopt, validOkDecoded()}},
      {"ok edited to another status is dropped, latest stays",
       R"({"latest":)" + std::string(validOk) +
           R"(,"ok":{"status":"error","fetched_at":1760421570000,"received_at":1760421571000,"windows":[]}})",
       {validOkDecoded(), std::nullopt}},
      {"unknown status drops latest only",
       withOk(R"({"status":"sleeping","fetched_at":1760421570000,"received_at":1760421570000,"windows":[]})"),
       {std::nullopt, validOkDecoded()}},
      {"latest 400 days old is dropped",
       withOk(R"({"status":"ok","fetched_at":1725800000000,)"
              R"("received_at":1760421570000,"windows":[]})"),
       {std::nullopt, validOkDecoded()}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Store::decode(c.bytes, now), c.want);
  }
}

TEST(ReadingStore, MissingOrUnreadableFilesLoadEmpty) {
  TempFolder tmp;
  EXPECT_EQ(Store::load(tmp / "last.json", now), Saved{});
  std::filesystem::create_directories(tmp / "dir.json");
  EXPECT_EQ(Store::load(tmp / "dir.json", now), Saved{});
}

TEST(ReadingStore, SavingCreatesTheFolderAndRefusalsKeepTheOldFile) {
  TempFolder tmp;
  const auto file = tmp / "deep/data/dir/last.json";
  const Saved saved{errorReading(), okReading()};
  Store::save(saved, file);
  EXPECT_EQ(Store::load(file, now), saved);

  Saved broken = saved;
  broken.latest->windows[0].pct = std::numeric_limits<double>::quiet_NaN();
  EXPECT_FALSE(Store::encode(broken));
  Store::save(broken, file);
  EXPECT_EQ(Store::load(file, now), saved);
}

}  // namespace
