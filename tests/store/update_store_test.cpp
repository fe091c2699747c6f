#include "store/update_store.hpp"

#include <gtest/gtest.h>

#include "store/temp_folder.hpp"

namespace {

TEST(UpdateStore, DecodesMembersOrRejectsTheWholeFile) {
  struct Case {
    const char* name;
    std::string bytes;
    UpdateState want;
  } cases[] = {
      {"both members",
       R"({"checked_at":1760421600000,"support":"https://x.example/s"})",
       {"https://x.example/s", 1760421600000.0}},
      {"only checked_at, exactly", R"({"checked_at":1760421600000})", {std::nullopt, 1760421600000.0}},
      {"fractional time", R"({"checked_at":1760421600000.5})", {std::nullopt, 1760421600000.5}},
      {"only support", R"({"support":"  x\n"})", {"  x\n", std::nullopt}},
      {"nulls are absent", R"({"checked_at":null,"support":null})", {}},
      {"other members ignored", R"({"extra":[1,2],"support":"s"})", {"s", std::nullopt}},
      {"empty object", "{}", {}},
      {"not JSON", "update", {}},
      {"empty file", "", {}},
      {"truncated", R"({"checked_at":17604216)", {}},
      {"top level array", R"([{"support":"s"}])", {}},
      {"support is a number", R"({"checked_at":1760421600000,"support":5})", {}},
      {"checked_at is a string", R"({"checked_at":"1760421600000","support":"s"})", {}},
      {"checked_at is a boolean", R"({"checked_at":true,"support":"s"})", {}},
      {"support is an object", R"({"checked_at":1,"support":{}})", {}},
      {"number beyond a double", R"({"checked_at":1e400,"support":"s"})", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(UpdateStore::decode(c.bytes), c.want);
  }
}

TEST(UpdateStore, StatesSurviveSaveAndLoadUntrimmed) {
  TempFolder tmp;
  const auto file = tmp / "new/folder/update.json";
  EXPECT_EQ(UpdateStore::load(file), UpdateState{});
  const UpdateState states[] = {
      {"https://x.example/support  ", 1760421600000.0},
      {"line\nfeed\t", std::nullopt},
      {std::nullopt, 1760421600123.25},
      {"", -0.0},
      {},
  };
  for (const auto& state : states) {
    UpdateStore::save(state, file);
    EXPECT_EQ(UpdateStore::load(file), state);
  }
}

TEST(UpdateStore, WritesSortedMembersAndKeepsTheOldFileOnRefusal) {
  TempFolder tmp;
  const auto file = tmp / "update.json";
  UpdateStore::save({"https://x.example/s", 1760421600000.0}, file);
  EXPECT_EQ(readAll(file),
            "{\n  \"checked_at\": 1760421600000,\n  \"support\": \"https://x.example/s\"\n}\n");

  UpdateStore::save({"other", std::numeric_limits<double>::infinity()}, file);
  EXPECT_EQ(UpdateStore::load(file), (UpdateState{"https://x.example/s", 1760421600000.0}));
}

}  // namespace
