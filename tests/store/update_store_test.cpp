#include "store/update_store.hpp"

#include <limits>

#include <gtest/gtest.h>

#include "store/temp_folder.hpp"

namespace {

TEST(UpdateStore, DecodesMembersOrRejectsTheWholeFile) {
  struct Case {
    const char* name;
    std::string bytes;
    UpdateState want;
  } cases[] = {
      {"only checked_at, exactly", R"({"checked_at":1760421600000})", {std::nullopt, 1760421600000.0}},
      {"untrimmed support, others ignored", R"({"x":[1],"support":"  x\n"})", {"  x\n", std::nullopt}},
      {"nulls are absent", R"({"checked_at":null,"support":null})", {}},
      {"not JSON", "update", {}},
      {"top level array", R"([{"support":"s"}])", {}},
      {"support is a number", R"({"checked_at":1760421600000,"support":5})", {}},
      {"checked_at is a string", R"({"checked_at":"1760421600000","support":"s"})", {}},
      {"checked_at is a boolean", R"({"checked_at":true,"support":"s"})", {}},
      {"number beyond a double", R"({"checked_at":1e400,"support":"s"})", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(UpdateStore::decode(c.bytes), c.want);
  }
}

TEST(UpdateStore, StatesSurviveSaveAndLoad) {
  TempFolder tmp;
  const auto file = tmp / "new/folder/update.json";
  EXPECT_EQ(UpdateStore::load(file), UpdateState{});
  for (const UpdateState& state :
       {UpdateState{"https://x.example/s  ", 1760421600000.0}, UpdateState{"line\nfeed", std::nullopt},
        UpdateState{"", 1760421600123.25}}) {
    UpdateStore::save(state, file);
    EXPECT_EQ(UpdateStore::load(file), state);
  }

  UpdateStore::save({"https://x.example/s", 1760421600000.0}, file);
  EXPECT_EQ(readAll(file),
            "{\n  \"checked_at\": 1760421600000,\n  \"support\": \"https://x.example/s\"\n}\n");
  UpdateStore::save({"other", std::numeric_limits<double>::infinity()}, file);
  EXPECT_EQ(UpdateStore::load(file), (UpdateState{"https://x.example/s", 1760421600000.0}));
}

}  // namespace
