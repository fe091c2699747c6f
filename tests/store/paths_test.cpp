#include "store/paths.hpp"

#include <chrono>
#include <cmath>
#include <map>
#include <regex>

#include <gtest/gtest.h>

#include "store/log.hpp"
#include "store/process_paths.hpp"
#include "store/reading_store.hpp"
#include "store/temp_folder.hpp"

static Store::EnvLookup lookup(const std::map<std::string, std::string>& env) {
  return [env](const std::string& name) -> std::optional<std::string> {
    return env.contains(name) ? std::optional(env.at(name)) : std::nullopt;
  };
}

TEST(Paths, DataDirAndLogFollowTheVariablesInOrder) {
  const std::string share = "/h/.local/share/Quotalume", state = "/h/.local/state/Quotalume/Quotalume.log";
  struct Case {
    std::map<std::string, std::string> env;
    std::string data, log;
  } cases[] = {
      {{}, share, state},
      {{{"QUOTALUME_DATA_DIR", "/q"}, {"XDG_DATA_HOME", "/x"}, {"XDG_STATE_HOME", "/s"}},
       "/q",
       "/q/Quotalume.log"},
      {{{"QUOTALUME_DATA_DIR", "q"}}, "/cwd/q", "/cwd/q/Quotalume.log"},
      // Present but empty: the data dir falls through, yet the log still moves.
      {{{"QUOTALUME_DATA_DIR", ""}, {"XDG_DATA_HOME", "/x"}, {"XDG_STATE_HOME", "/s"}},
       "/x/Quotalume",
       "/x/Quotalume/Quotalume.log"},
      {{{"XDG_DATA_HOME", "/x"}, {"XDG_STATE_HOME", "/s"}}, "/x/Quotalume", "/s/Quotalume/Quotalume.log"},
      {{{"XDG_DATA_HOME", "x"}, {"XDG_STATE_HOME", "s"}}, share, state},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Store::dataDirFor(lookup(c.env), "/h", "/cwd"), c.data);
    EXPECT_EQ(Store::logPathFor(lookup(c.env), "/h", "/cwd"), c.log);
  }
  EXPECT_EQ(Store::dataDirFor(lookup({}), "", "/cwd"), "/cwd/.local/share/Quotalume");
  EXPECT_EQ(Store::logPathFor(lookup({}), "", "/cwd"), "/cwd/.local/state/Quotalume/Quotalume.log");
}

// The test user has a password entry; an empty or missing HOME must reach it.
TEST(HomeDirectory, PrefersHomeAndFallsBackToThePasswordDatabase) {
  EXPECT_EQ(Store::homeDirectory(lookup({{"HOME", "/home/zed"}})), "/home/zed");
  EXPECT_TRUE(Store::homeDirectory(lookup({})).is_absolute());
  EXPECT_EQ(Store::homeDirectory(lookup({{"HOME", ""}})), Store::homeDirectory(lookup({})));
}

// The process locations are fixed on first use, so this is the one test that
// asks for them, and it sets the variable first.
TEST(ProcessPaths, EverythingFollowsTheDataDirVariable) {
  TempFolder tmp;
  const auto data = tmp / "data";
  ASSERT_EQ(::setenv("QUOTALUME_DATA_DIR", data.c_str(), 1), 0);
  EXPECT_EQ(dataDir(), data);
  ::setenv("QUOTALUME_DATA_DIR", "/elsewhere", 1);
  EXPECT_EQ(dataDir(), data);
  EXPECT_EQ(Store::lastURL(), data / "last.json");
  EXPECT_EQ(Store::stateURL(), data / "state.json");
  EXPECT_EQ(UpdateStore::url(), data / "update.json");
  EXPECT_EQ(logURL(), data / "Quotalume.log");
  logEnabled = false;
  log("silent");
  EXPECT_FALSE(std::filesystem::exists(data));
  logEnabled = true;
  log("heard");
  EXPECT_TRUE(std::regex_match(readAll(logURL()), std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ heard\n)")));

  const double nowMs = std::floor(
      std::chrono::duration<double, std::milli>(std::chrono::system_clock::now().time_since_epoch()).count());
  const Reading fresh{"ok", {}, {}, nowMs, nowMs, {{"session", 12, {}}}};
  Store::save({fresh, fresh});
  EXPECT_EQ(Store::load(), (Saved{fresh, fresh}));
}
