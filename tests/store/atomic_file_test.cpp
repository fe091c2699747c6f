#include "store/atomic_file.hpp"

#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <limits>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "store/temp_folder.hpp"

namespace {

namespace fs = std::filesystem;

// A leftover temporary file shows up here.
std::vector<std::string> entries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(WriteAtomically, CreatesMissingFoldersAndReplacesWholeFiles) {
  TempFolder tmp;
  const fs::path file = tmp / "a/b/last.json";
  ASSERT_TRUE(Store::writeAtomically(file, "first, and longer"));
  ASSERT_TRUE(Store::writeAtomically(file, "second"));
  EXPECT_EQ(readAll(file), "second");
  EXPECT_EQ(entries(tmp / "a/b"), std::vector<std::string>{"last.json"});
}

TEST(WriteAtomically, FailuresLeaveTheOldStateAndNoTemporaryFile) {
  TempFolder tmp;
  writeAll(tmp / "blocker", "old");
  fs::create_directories(tmp / "dir/inner");
  for (const fs::path& target : {tmp / "dir", tmp / "blocker/last.json", tmp.path() / ""}) {
    SCOPED_TRACE(target);
    EXPECT_FALSE(Store::writeAtomically(target, "new"));
    EXPECT_EQ(entries(tmp.path()), (std::vector<std::string>{"blocker", "dir"}));
    EXPECT_EQ(entries(tmp / "dir"), std::vector<std::string>{"inner"});
    EXPECT_EQ(readAll(tmp / "blocker"), "old");
  }
}

// Tests run as root, so permissions cannot make a write fail; a file size
// limit can, half-way through the content.
TEST(WriteAtomically, AWriteThatFailsHalfWayKeepsTheOldContent) {
  TempFolder tmp;
  writeAll(tmp / "last.json", "old content");
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 64;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool written = Store::writeAtomically(tmp / "last.json", std::string(4096, 'x'));
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);

  EXPECT_FALSE(written);
  EXPECT_EQ(readAll(tmp / "last.json"), "old content");
  EXPECT_EQ(entries(tmp.path()), std::vector<std::string>{"last.json"});
}

TEST(EncodeJSON, SortsMembersOnePerLineWithWholeNumbersBare) {
  const nlohmann::json value = {
      {"zeta", 1760421600000.0}, {"alpha", {{"b", -0.0}, {"a", 0.5}}}, {"mid", 2e20}};
  EXPECT_EQ(Store::encodeJSON(value),
            "{\n  \"alpha\": {\n    \"a\": 0.5,\n    \"b\": -0.0\n  },\n  \"mid\": 2e+20,\n  \"zeta\": "
            "1760421600000\n}\n");
}

TEST(EncodeJSON, RefusesWhatJSONCannotCarryWithoutThrowing) {
  TempFolder tmp;
  writeAll(tmp / "update.json", "old");
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_FALSE(
      Store::writeJSONAtomically(tmp / "update.json", {{"a", {{"b", nlohmann::json::array({1.0, -inf})}}}}));
  EXPECT_FALSE(Store::encodeJSON({{"a", std::numeric_limits<double>::quiet_NaN()}}));
  EXPECT_EQ(readAll(tmp / "update.json"), "old");
  EXPECT_TRUE(Store::encodeJSON({{"text", std::string("ab\xff")}}));
}

}  // namespace
