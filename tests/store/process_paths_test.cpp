#include "store/process_paths.hpp"

#include <chrono>
#include <cmath>
#include <cstdlib>

#include <gtest/gtest.h>

#include "store/log.hpp"
#include "store/reading_store.hpp"
#include "store/temp_folder.hpp"

namespace {

// The process locations are fixed on first use, so this is the one test that
// asks for them, and it sets the variable first.
TEST(ProcessPaths, EverythingFollowsTheDataDirVariable) {
  TempFolder tmp;
  const auto data = tmp / "data";
  ASSERT_EQ(::setenv("QUOTALUME_DATA_DIR", data.c_str(), 1), 0);
  EXPECT_EQ(dataDir(), data);
  EXPECT_EQ(Store::lastURL(), data / "last.json");
  EXPECT_EQ(Store::stateURL(), data / "state.json");
  EXPECT_EQ(UpdateStore::url(), data / "update.json");
  EXPECT_EQ(logURL(), data / "Quotalume.log");

  ::setenv("QUOTALUME_DATA_DIR", "/elsewhere", 1);
  EXPECT_EQ(dataDir(), data);

  logEnabled = false;
  log("silent");
  EXPECT_FALSE(std::filesystem::exists(data));
  logEnabled = true;
  log("heard");
  const std::string line = readAll(data / "Quotalume.log");
  ASSERT_EQ(line.size(), std::string("2026-12-05T20:34:09Z heard\n").size()) << line;
  EXPECT_EQ(line.substr(19), "Z heard\n");

  Reading fresh;
  fresh.status = "ok";
  fresh.fetched_at = fresh.received_at = std::floor(
      std::chrono::duration<double, std::milli>(std::chrono::system_clock::now().time_since_epoch()).count());
  fresh.windows = {{"session", 12, std::nullopt}};
  Store::save({fresh, fresh});
  EXPECT_EQ(Store::load(), (Saved{fresh, fresh}));
}

}  // namespace
