#include "store/atomic_file.hpp"

#include <sys/resource.h>

#include <cmath>
#include <csignal>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "store/temp_folder.hpp"

namespace fs = std::filesystem;

// A leftover temporary file shows up as an extra entry.
static auto entries(const fs::path& folder) {
  return std::distance(fs::directory_iterator(folder), {});
}

TEST(WriteAtomically, ReplacesWholeFilesAndLeavesNothingBehindOnFailure) {
  TempFolder tmp;
  ASSERT_TRUE(Store::writeAtomically(tmp / "a/last.json", "first, and longer"));
  ASSERT_TRUE(Store::writeAtomically(tmp / "a/last.json", "second"));
  EXPECT_EQ(readAll(tmp / "a/last.json"), "second");
  EXPECT_EQ(entries(tmp / "a"), 1);
  writeAll(tmp / "blocker", "old");
  fs::create_directories(tmp / "dir/inner");
  for (const fs::path& target : {tmp / "dir", tmp / "blocker/last.json", tmp.path / ""}) {
    SCOPED_TRACE(target);
    EXPECT_FALSE(Store::writeAtomically(target, "new"));
    EXPECT_EQ(entries(tmp.path) + entries(tmp / "dir"), 3 + 1);
    EXPECT_EQ(readAll(tmp / "blocker"), "old");
  }
}

// Tests run as root, so permissions cannot make a write fail; a file size
// limit can, half-way through the content.
TEST(WriteAtomically, AWriteThatFailsHalfWayKeepsTheOldContent) {
  TempFolder tmp;
  writeAll(tmp / "last.json", "old content");
  rlimit saved{}, small{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  small = {64, saved.rlim_max};
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool written = Store::writeAtomically(tmp / "last.json", std::string(4096, 'x'));
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(written);
  EXPECT_EQ(readAll(tmp / "last.json"), "old content");
  EXPECT_EQ(entries(tmp.path), 1);
}

TEST(EncodeJSON, SortsMembersWritesWholeNumbersBareAndRefusesNonFinite) {
  EXPECT_EQ(
      Store::encodeJSON({{"zeta", 1760421600000.0}, {"alpha", {{"b", -0.0}, {"a", 0.5}}}, {"mid", 2e20}}),
      "{\n  \"alpha\": {\n    \"a\": 0.5,\n    \"b\": -0.0\n  },\n  \"mid\": 2e+20,\n  \"zeta\": "
      "1760421600000\n}\n");
  EXPECT_FALSE(Store::encodeJSON({{"a", std::nan("")}}));
  EXPECT_TRUE(Store::encodeJSON({{"text", std::string("ab\xff")}}));
  TempFolder tmp;
  writeAll(tmp / "update.json", "old");
  EXPECT_FALSE(Store::writeJSONAtomically(tmp / "update.json", {{"a", {{"b", {1.0, -HUGE_VAL}}}}}));
  EXPECT_EQ(readAll(tmp / "update.json"), "old");
}
