#include "store/paths.hpp"

#include <gtest/gtest.h>

#include "store/fixtures.hpp"

using Env = std::map<std::string, std::string>;
const auto lookup = Store::fixedEnvironment;

TEST(Paths, DataDirLogAndHomeFollowTheVariablesInOrder) {
  const std::string d = "QUOTALUME_DATA_DIR", x = "XDG_DATA_HOME", s = "XDG_STATE_HOME";
  const std::tuple<Env, std::string, std::string> cases[] = {
      {{}, "/h/.local/share/Quotalume", "/h/.local/state/Quotalume/Quotalume.log"},
      {{{d, "/q"}, {x, "/x"}, {s, "/s"}}, "/q", "/q/Quotalume.log"},
      {{{d, "q"}}, "/cwd/q", "/cwd/q/Quotalume.log"},
      // Present but empty: the data dir falls through, yet the log still moves.
      {{{d, ""}, {x, "/x"}, {s, "/s"}}, "/x/Quotalume", "/x/Quotalume/Quotalume.log"},
      {{{x, "/x"}, {s, "/s"}}, "/x/Quotalume", "/s/Quotalume/Quotalume.log"},
      {{{x, "x"}, {s, "s"}}, "/h/.local/share/Quotalume", "/h/.local/state/Quotalume/Quotalume.log"},
  };
  for (const auto& [env, data, log] : cases) {
    EXPECT_EQ(Store::dataDirFor(lookup(env), "/h", "/cwd"), data);
    EXPECT_EQ(Store::logPathFor(lookup(env), "/h", "/cwd"), log);
  }
  EXPECT_EQ(Store::dataDirFor(lookup({}), "", "/cwd"), "/cwd/.local/share/Quotalume");
  // The test user has a password entry; an empty or missing HOME must reach it.
  EXPECT_TRUE(Store::homeDirectory(lookup({})).is_absolute());
  EXPECT_EQ(Store::homeDirectory(lookup({{"HOME", ""}})), Store::homeDirectory(lookup({})));
}
