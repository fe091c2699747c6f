#include "store/state_file.hpp"

#include <gtest/gtest.h>

#include "build_config.hpp"
#include "store/temp_folder.hpp"

namespace {

namespace fs = std::filesystem;

// 2026-10-14 04:10:00 UTC.
constexpr Date at = 1791951000.0;

Shown liveModel() {
  Shown s;
  s.headline = "42%";
  s.tone = Tone::normal;
  s.phase = "ok";
  s.rows = {"5-hour limit  42%", "   resets in 2h 10m · 3:20 PM"};
  s.footer = "Max 5x · updated 1 min ago";
  s.gauge = 0.423;
  return s;
}

Shown waitingModel() {
  Shown s;
  s.phase = "waiting_first";
  s.status = "Waiting for the browser extension";
  return s;
}

TEST(StateFileTest, EnabledOnlyByExactlyOneOrADataDirectory) {
  struct Case {
    const char* name;
    std::optional<std::string> debugState, dataDir;
    bool want;
  } cases[] = {
      {"nothing set", std::nullopt, std::nullopt, false},
      {"debug 1", "1", std::nullopt, true},
      {"debug true", "true", std::nullopt, false},
      {"debug 0", "0", std::nullopt, false},
      {"debug 1 with a space", " 1", std::nullopt, false},
      {"debug 1 with a newline", "1\n", std::nullopt, false},
      {"debug empty", "", std::nullopt, false},
      {"data directory", std::nullopt, "/tmp/q", true},
      {"empty data directory", std::nullopt, "", false},
      {"debug 0 beside a data directory", "0", "/tmp/q", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Store::EnvLookup env = [&](const std::string& name) -> std::optional<std::string> {
      if (name == "QUOTALUME_DEBUG_STATE") return c.debugState;
      if (name == "QUOTALUME_DATA_DIR") return c.dataDir;
      return std::nullopt;
    };
    EXPECT_EQ(Store::stateEnabledFor(env), c.want);
  }
}

TEST(StateFileTest, ListeningNamesTheStateAndOnlyFailureCarriesText) {
  struct Case {
    ListenState listen;
    const char* want;
  } cases[] = {
      {ListenState::starting(), "starting"},
      {ListenState::ready(), "ready"},
      {ListenState::busy(), "busy"},
      {ListenState::failed("listener init failed"), "failed: listener init failed"},
      {ListenState::failed(""), "failed: "},
      {ListenState{ListenState::Kind::ready, "left over"}, "ready"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.want);
    EXPECT_EQ(Store::listeningText(c.listen), c.want);
  }
}

TEST(StateFileTest, DocumentMembersAndNulls) {
  const std::vector<std::string> members = {"at",   "dim",   "footer", "listening", "phase",
                                            "rows", "shown", "status", "tone",      "version"};
  const nlohmann::json live = Store::stateDocument(liveModel(), ListenState::ready(), at + 0.9);
  const nlohmann::json waiting = Store::stateDocument(waitingModel(), ListenState::busy(), at);
  for (const nlohmann::json* doc : {&live, &waiting}) {
    std::vector<std::string> keys;
    for (const auto& [key, value] : doc->items()) keys.push_back(key);
    EXPECT_EQ(keys, members);
  }
  EXPECT_EQ(live["shown"], "42%");
  EXPECT_EQ(live["phase"], "ok");
  EXPECT_TRUE(live["status"].is_null());
  EXPECT_EQ(live["rows"], nlohmann::json({"5-hour limit  42%", "   resets in 2h 10m · 3:20 PM"}));
  EXPECT_EQ(live["footer"], "Max 5x · updated 1 min ago");
  EXPECT_EQ(live["version"], Build::version);
  EXPECT_EQ(live["at"], "2026-10-14T04:10:00Z");

  EXPECT_EQ(waiting["shown"], "\u2013");
  EXPECT_EQ(waiting["status"], "Waiting for the browser extension");
  EXPECT_TRUE(waiting["footer"].is_null());
  EXPECT_EQ(waiting["rows"], nlohmann::json::array());
}

TEST(StateFileTest, OnlyTheDimToneIsDim) {
  struct Case {
    Tone tone;
    const char* name;
    bool dim;
  } cases[] = {
      {Tone::normal, "normal", false},
      {Tone::orange, "orange", false},
      {Tone::red, "red", false},
      {Tone::dim, "dim", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Shown s = liveModel();
    s.tone = c.tone;
    const nlohmann::json doc = Store::stateDocument(s, ListenState::ready(), at);
    EXPECT_EQ(doc["tone"], c.name);
    EXPECT_EQ(doc["dim"], c.dim);
  }
}

TEST(StateFileWriteTest, WritesSortedPrettyJsonIntoANewFolder) {
  TempFolder folder;
  const fs::path file = folder.path() / "nested" / "state.json";
  ASSERT_TRUE(Store::writeState(liveModel(), ListenState::failed("bind: address in use"), file, at));
  const std::string text = readAll(file);
  const nlohmann::json back = nlohmann::json::parse(text, nullptr, false);
  ASSERT_FALSE(back.is_discarded());
  EXPECT_EQ(back, Store::stateDocument(liveModel(), ListenState::failed("bind: address in use"), at));
  EXPECT_EQ(back["listening"], "failed: bind: address in use");
  // Pretty-printed, and members appear in key order in the bytes themselves.
  EXPECT_NE(text.find('\n'), std::string::npos);
  std::size_t last = 0;
  for (const char* key : {"\"at\"", "\"dim\"", "\"footer\"", "\"listening\"", "\"phase\"", "\"rows\"",
                          "\"shown\"", "\"status\"", "\"tone\"", "\"version\""}) {
    SCOPED_TRACE(key);
    const std::size_t pos = text.find(key);
    ASSERT_NE(pos, std::string::npos);
    EXPECT_GT(pos, last);
    last = pos;
  }
}

TEST(StateFileWriteTest, AFileInTheWayFailsQuietlyAndStaysAsItWas) {
  TempFolder folder;
  const fs::path blocker = folder / "not-a-folder";
  writeAll(blocker, "x");
  EXPECT_FALSE(Store::writeState(liveModel(), ListenState::ready(), blocker / "state.json", at));
  EXPECT_EQ(readAll(blocker), "x");
}

TEST(StateFileWriteTest, TextThatIsNotUtf8DoesNotStopTheWrite) {
  TempFolder folder;
  const fs::path file = folder / "state.json";
  EXPECT_TRUE(Store::writeState(liveModel(), ListenState::failed("bad \xff byte"), file, at));
  const nlohmann::json back = nlohmann::json::parse(readAll(file), nullptr, false);
  ASSERT_FALSE(back.is_discarded());
  EXPECT_EQ(back["listening"].get<std::string>().rfind("failed: bad ", 0), 0u);
}

}  // namespace
