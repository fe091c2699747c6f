#include "store/state_file.hpp"

#include <gtest/gtest.h>

#include "store/fixtures.hpp"

constexpr Date at = 1791951000.0;  // 2026-10-14 04:10:00 UTC
// headline, tone, phase, status, rows, details, footer, gauge
static const Shown live{"42%", Tone::normal, "ok", {}, {"5-hour limit  42%"}, {}, "Max 5x · now", 0.423};

TEST(StateFile, EnabledOnlyByExactlyOneOrANonEmptyDataDirectory) {
  const std::string d = "QUOTALUME_DEBUG_STATE", q = "QUOTALUME_DATA_DIR";
  const std::pair<Env, bool> cases[] = {
      {{}, false},        {{{d, "1"}}, true},  {{{d, "true"}}, false}, {{{d, " 1"}}, false},
      {{{d, ""}}, false}, {{{q, "/q"}}, true}, {{{q, ""}}, false},     {{{d, "0"}, {q, "/q"}}, true},
  };
  for (const auto& [env, want] : cases)
    EXPECT_EQ(Store::stateEnabledFor(lookup(env)), want) << testing::PrintToString(env);
}

TEST(StateFile, DocumentKeepsAllTenMembersWithNullsAndNamesTheListener) {
  EXPECT_EQ(Store::listeningText(ListenState::starting()), "starting");
  EXPECT_EQ(Store::listeningText(ListenState::failed("init failed")), "failed: init failed");
  EXPECT_EQ(Store::listeningText(ListenState{ListenState::Kind::ready, "left over"}), "ready");
  EXPECT_EQ(
      Store::stateDocument(live, ListenState::ready(), "9.8.7", at + 0.9),
      nlohmann::json::parse(R"({"at":"2026-10-14T04:10:00Z","dim":false,"footer":"Max 5x · now",)"
                            R"("listening":"ready","phase":"ok","rows":["5-hour limit  42%"],"shown":"42%",)"
                            R"("status":null,"tone":"normal","version":"9.8.7"})"));
}
