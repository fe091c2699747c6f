#include "store/state_file.hpp"

#include <gtest/gtest.h>

#include "build_config.hpp"
#include "store/atomic_file.hpp"
#include "store/temp_folder.hpp"

constexpr Date at = 1791951000.0;  // 2026-10-14 04:10:00 UTC
// headline, tone, phase, status, rows, details, footer, gauge
static const Shown live{
    "42%", Tone::normal, "ok", {}, {"5-hour limit  42%"}, {}, "Max 5x · updated 1 min ago", 0.423};

TEST(StateFile, EnabledOnlyByExactlyOneOrANonEmptyDataDirectory) {
  const std::tuple<const char*, const char*, bool> cases[] = {
      {nullptr, nullptr, false}, {"1", nullptr, true},      {"true", nullptr, false}, {" 1", nullptr, false},
      {"", nullptr, false},      {nullptr, "/tmp/q", true}, {nullptr, "", false},     {"0", "/tmp/q", true},
  };
  for (const auto& [debug, data, want] : cases) {
    const Store::EnvLookup env = [&](const std::string& name) -> std::optional<std::string> {
      const char* value = name == "QUOTALUME_DEBUG_STATE" ? debug
                          : name == "QUOTALUME_DATA_DIR"  ? data
                                                          : nullptr;
      return value ? std::optional<std::string>(value) : std::nullopt;
    };
    EXPECT_EQ(Store::stateEnabledFor(env), want)
        << (debug ? debug : "unset") << " / " << (data ? data : "unset");
  }
}

TEST(StateFile, ListeningNamesTheStateAndOnlyFailureCarriesText) {
  EXPECT_EQ(Store::listeningText(ListenState::starting()), "starting");
  EXPECT_EQ(Store::listeningText(ListenState::ready()), "ready");
  EXPECT_EQ(Store::listeningText(ListenState::busy()), "busy");
  EXPECT_EQ(Store::listeningText(ListenState::failed("init failed")), "failed: init failed");
  EXPECT_EQ(Store::listeningText(ListenState{ListenState::Kind::ready, "left over"}), "ready");
}

TEST(StateFile, DocumentKeepsAllTenMembersWithNullsAndDimOnlyForTheDimTone) {
  const std::string version = R"(,"version":")" + std::string(Build::version) + R"("})";
  EXPECT_EQ(Store::stateDocument(live, ListenState::ready(), at + 0.9),
            nlohmann::json::parse(
                R"({"at":"2026-10-14T04:10:00Z","dim":false,"footer":"Max 5x · updated 1 min ago",)"
                R"("listening":"ready","phase":"ok","rows":["5-hour limit  42%"],"shown":"42%",)"
                R"("status":null,"tone":"normal")" +
                version));
  const Shown waiting{"–", Tone::dim, "waiting_first", "Waiting for the browser extension", {}, {}, {}, {}};
  EXPECT_EQ(
      Store::stateDocument(waiting, ListenState::busy(), at),
      nlohmann::json::parse(R"({"at":"2026-10-14T04:10:00Z","dim":true,"footer":null,"listening":"busy",)"
                            R"("phase":"waiting_first","rows":[],"shown":"–",)"
                            R"("status":"Waiting for the browser extension","tone":"dim")" +
                            version));
  Shown red = live;
  red.tone = Tone::red;
  EXPECT_EQ(Store::stateDocument(red, ListenState::ready(), at)["tone"], "red");
}

TEST(StateFile, WritesTheStoresJSONFormEvenWithBadBytesAndFailsQuietly) {
  TempFolder tmp;
  const auto failed = ListenState::failed("bind \xff");
  ASSERT_TRUE(Store::writeState(live, failed, tmp / "nested/state.json", at));
  EXPECT_EQ(readAll(tmp / "nested/state.json"), Store::encodeJSON(Store::stateDocument(live, failed, at)));
  writeAll(tmp / "blocker", "x");
  EXPECT_FALSE(Store::writeState(live, failed, tmp / "blocker/state.json", at));
  EXPECT_EQ(readAll(tmp / "blocker"), "x");
}
