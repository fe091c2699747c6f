#include <cmath>

#include <gtest/gtest.h>

#include "store/alert_store.hpp"
#include "store/fixtures.hpp"

TEST(AlertStore, RoundTripsAndAnUnsavableStateKeepsTheOldFile) {
  TempFolder tmp;
  const auto file = tmp / "data/alerts.json";
  const AlertState state{{"session", {1760421600000, true, false}}, {"opus", {1760900000000.5, true, true}}};
  AlertStore::save(state, file);
  EXPECT_EQ(AlertStore::load(file), state);
  AlertState broken = state;
  broken["weekly"] = {std::nan(""), true, true};
  AlertStore::save(broken, file);
  EXPECT_EQ(AlertStore::load(file), state);
  EXPECT_EQ(AlertStore::load(tmp / "missing.json"), AlertState{});
}

TEST(AlertStore, DecodesTheWholeDocumentOrNothing) {
  const std::string session = R"("session":{"cycle":1760421600000,"near":true,"reached":false})";
  const AlertState kept{{"session", {1760421600000, true, false}}};
  const std::pair<std::string, AlertState> cases[] = {
      {"{" + session + "}", kept},
      {"{" + session + R"(,"haiku_next":{"cycle":1,"near":true,"reached":true}})",
       kept},  // unknown window dropped
      {"{}", {}},
      {"[]", {}},
      {"", {}},
      {"{" + session, {}},
      {R"({"session":{"cycle":"1760421600000","near":true,"reached":false}})", {}},
      {R"({"session":{"cycle":1760421600000,"near":1,"reached":false}})", {}},
      {R"({"session":{"cycle":1760421600000,"near":true}})", {}},
      {"{" + session + R"(,"weekly":null})", {}},  // one bad entry spoils the rest
  };
  for (const auto& [data, want] : cases) EXPECT_EQ(AlertStore::decode(data), want) << data;
}
