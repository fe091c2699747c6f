#include "store/atomic_file.hpp"

#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <limits>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "store/temp_folder.hpp"

namespace {

namespace fs = std::filesystem;

// Every entry of the folder: a leftover temporary file shows up here.
std::vector<std::string> entries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(WriteAtomically, CreatesMissingFoldersAndReplacesWholeFiles) {
  TempFolder tmp;
  const fs::path file = tmp / "a/b/c/last.json";
  ASSERT_TRUE(Store::writeAtomically(file, "first, and longer"));
  EXPECT_EQ(readAll(file), "first, and longer");
  ASSERT_TRUE(Store::writeAtomically(file, "second"));
  EXPECT_EQ(readAll(file), "second");
  ASSERT_TRUE(Store::writeAtomically(file, ""));
  EXPECT_EQ(readAll(file), "");
  EXPECT_EQ(entries(tmp / "a/b/c"), std::vector<std::string>{"last.json"});
}

TEST(WriteAtomically, FailuresLeaveTheOldStateAndNoTemporaryFile) {
  TempFolder tmp;
  writeAll(tmp / "blocker", "a file where a folder should be");
  fs::create_directories(tmp / "dir/inner");

  struct Case {
    const char* name;
    fs::path target;
  } cases[] = {
      {"target is a folder", tmp / "dir"},
      {"folder is a file", tmp / "blocker/last.json"},
      {"no file name", tmp.path() / ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(Store::writeAtomically(c.target, "new"));
    EXPECT_EQ(entries(tmp.path()), (std::vector<std::string>{"blocker", "dir"}));
    EXPECT_EQ(entries(tmp / "dir"), std::vector<std::string>{"inner"});
    EXPECT_EQ(readAll(tmp / "blocker"), "a file where a folder should be");
  }
}

// Tests run as root, so permissions cannot make a write fail; a file size
// limit can, half-way through the content.
TEST(WriteAtomically, AWriteThatFailsHalfWayKeepsTheOldContent) {
  TempFolder tmp;
  const fs::path file = tmp / "last.json";
  writeAll(file, "old content");

  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 64;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool written = Store::writeAtomically(file, std::string(4096, 'x'));
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);

  EXPECT_FALSE(written);
  EXPECT_EQ(readAll(file), "old content");
  EXPECT_EQ(entries(tmp.path()), std::vector<std::string>{"last.json"});
}

TEST(WriteAtomically, ConcurrentWritersNeverShareATemporaryFile) {
  TempFolder tmp;
  const fs::path file = tmp / "state.json";
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      const std::string content(1000, static_cast<char>('a' + t));
      for (int i = 0; i < 50; ++i) Store::writeAtomically(file, content);
    });
  }
  for (auto& thread : threads) thread.join();
  const std::string last = readAll(file);
  ASSERT_EQ(last.size(), 1000u);
  EXPECT_EQ(last, std::string(1000, last[0]));
  EXPECT_EQ(entries(tmp.path()), std::vector<std::string>{"state.json"});
}

TEST(EncodeJSON, SortsMembersOnePerLine) {
  const nlohmann::json value = {{"zeta", 1}, {"alpha", {{"b", true}, {"a", nullptr}}}, {"mid", "x"}};
  EXPECT_EQ(
      Store::encodeJSON(value),
      "{\n  \"alpha\": {\n    \"a\": null,\n    \"b\": true\n  },\n  \"mid\": \"x\",\n  \"zeta\": 1\n}\n");
}

TEST(EncodeJSON, RefusesWhatJSONCannotCarryWithoutThrowing) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_FALSE(Store::encodeJSON({{"a", std::numeric_limits<double>::quiet_NaN()}}));
  EXPECT_FALSE(Store::encodeJSON({{"a", {{"b", nlohmann::json::array({1.0, -inf})}}}}));
  const auto broken = Store::encodeJSON({{"text", std::string("ab\xff")}});
  ASSERT_TRUE(broken);
  EXPECT_NE(broken->find("ab"), std::string::npos);
}

TEST(WriteJSONAtomically, AnUnencodableValueLeavesTheFileAlone) {
  TempFolder tmp;
  const fs::path file = tmp / "update.json";
  writeAll(file, "old");
  EXPECT_FALSE(Store::writeJSONAtomically(file, {{"checked_at", std::numeric_limits<double>::quiet_NaN()}}));
  EXPECT_EQ(readAll(file), "old");
  EXPECT_TRUE(Store::writeJSONAtomically(file, {{"checked_at", 1760421600000.0}}));
  EXPECT_EQ(readAll(file), "{\n  \"checked_at\": 1760421600000\n}\n");
}

}  // namespace
