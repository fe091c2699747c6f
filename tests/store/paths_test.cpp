#include "store/paths.hpp"

#include <map>

#include <gtest/gtest.h>

namespace {

using Env = std::map<std::string, std::string>;

Store::EnvLookup lookup(const Env& env) {
  return [env](const std::string& name) -> std::optional<std::string> {
    const auto found = env.find(name);
    if (found == env.end()) return std::nullopt;
    return found->second;
  };
}

const std::filesystem::path home = "/home/ana";
const std::filesystem::path cwd = "/work/here";

TEST(DataDirFor, FollowsTheVariablesInOrder) {
  struct Case {
    const char* name;
    Env env;
    const char* want;
  } cases[] = {
      {"nothing set", {}, "/home/ana/.local/share/Quotalume"},
      {"absolute data dir", {{"QUOTALUME_DATA_DIR", "/srv/q"}}, "/srv/q"},
      {"relative data dir joins the working directory",
       {{"QUOTALUME_DATA_DIR", "rel/q"}},
       "/work/here/rel/q"},
      {"empty data dir falls back", {{"QUOTALUME_DATA_DIR", ""}}, "/home/ana/.local/share/Quotalume"},
      {"data dir beats XDG", {{"QUOTALUME_DATA_DIR", "/srv/q"}, {"XDG_DATA_HOME", "/x"}}, "/srv/q"},
      {"absolute XDG_DATA_HOME", {{"XDG_DATA_HOME", "/x/data"}}, "/x/data/Quotalume"},
      {"empty data dir then XDG", {{"QUOTALUME_DATA_DIR", ""}, {"XDG_DATA_HOME", "/x"}}, "/x/Quotalume"},
      {"relative XDG_DATA_HOME ignored", {{"XDG_DATA_HOME", "x/data"}}, "/home/ana/.local/share/Quotalume"},
      {"XDG_STATE_HOME is not for data", {{"XDG_STATE_HOME", "/s"}}, "/home/ana/.local/share/Quotalume"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Store::dataDirFor(lookup(c.env), home, cwd), std::filesystem::path(c.want));
  }
}

TEST(LogPathFor, MovesIntoTheDataDirWheneverTheVariableExists) {
  struct Case {
    const char* name;
    Env env;
    const char* want;
  } cases[] = {
      {"nothing set", {}, "/home/ana/.local/state/Quotalume/Quotalume.log"},
      {"data dir set", {{"QUOTALUME_DATA_DIR", "/srv/q"}}, "/srv/q/Quotalume.log"},
      {"empty data dir: default data folder, not the state folder",
       {{"QUOTALUME_DATA_DIR", ""}},
       "/home/ana/.local/share/Quotalume/Quotalume.log"},
      {"empty data dir with XDG homes",
       {{"QUOTALUME_DATA_DIR", ""}, {"XDG_DATA_HOME", "/x"}, {"XDG_STATE_HOME", "/s"}},
       "/x/Quotalume/Quotalume.log"},
      {"absolute XDG_STATE_HOME", {{"XDG_STATE_HOME", "/s"}}, "/s/Quotalume/Quotalume.log"},
      {"relative XDG_STATE_HOME ignored",
       {{"XDG_STATE_HOME", "s"}},
       "/home/ana/.local/state/Quotalume/Quotalume.log"},
      {"XDG_DATA_HOME alone does not move the log",
       {{"XDG_DATA_HOME", "/x"}},
       "/home/ana/.local/state/Quotalume/Quotalume.log"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Store::logPathFor(lookup(c.env), home, cwd), std::filesystem::path(c.want));
  }
}

TEST(Paths, UnknownHomeStillGivesAnAbsoluteLocation) {
  EXPECT_EQ(Store::dataDirFor(lookup({}), "", cwd), "/work/here/.local/share/Quotalume");
  EXPECT_EQ(Store::logPathFor(lookup({}), "", cwd), "/work/here/.local/state/Quotalume/Quotalume.log");
}

TEST(HomeDirectory, PrefersHomeAndFallsBackToThePasswordDatabase) {
  EXPECT_EQ(Store::homeDirectory(lookup({{"HOME", "/home/zed"}})), "/home/zed");
  // The test user has a password entry; an empty or missing HOME must reach it.
  const auto fromDatabase = Store::homeDirectory(lookup({}));
  EXPECT_TRUE(fromDatabase.is_absolute()) << fromDatabase;
  EXPECT_EQ(Store::homeDirectory(lookup({{"HOME", ""}})), fromDatabase);
}

}  // namespace
