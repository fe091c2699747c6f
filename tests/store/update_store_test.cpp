#include "store/update_store.hpp"

#include <cmath>

#include <gtest/gtest.h>

#include "store/temp_folder.hpp"

TEST(UpdateStore, DecodesMembersOrRejectsTheWholeFile) {
  const std::pair<const char*, UpdateState> cases[] = {
      {R"({"checked_at":1760421600000})", {{}, 1760421600000.0}},
      {R"({"x":[1],"support":"  x\n"})", {"  x\n", {}}},  // untrimmed
      {R"({"checked_at":null,"support":null})", {}},
      {R"([{"support":"s"}])", {}},
      {R"({"checked_at":1760421600000,"support":5})", {}},
      {R"({"checked_at":true,"support":"s"})", {}},
      {R"({"checked_at":1e400,"support":"s"})", {}},
  };
  for (const auto& [bytes, want] : cases) EXPECT_EQ(UpdateStore::decode(bytes), want) << bytes;
}

TEST(UpdateStore, SavesExactBytesAndKeepsTheOldFileWhenUnsavable) {
  TempFolder tmp;
  const auto file = tmp / "new/update.json";
  EXPECT_EQ(UpdateStore::load(file), UpdateState{});
  UpdateStore::save({"", 1760421600123.25}, file);
  EXPECT_EQ(UpdateStore::load(file), (UpdateState{"", 1760421600123.25}));
  UpdateStore::save({"https://x.example/s", 1760421600000.0}, file);
  EXPECT_EQ(readAll(file),
            "{\n  \"checked_at\": 1760421600000,\n  \"support\": \"https://x.example/s\"\n}\n");
  UpdateStore::save({"other", HUGE_VAL}, file);
  EXPECT_EQ(UpdateStore::load(file), (UpdateState{"https://x.example/s", 1760421600000.0}));
}
