#include "store/atomic_file.hpp"

#include <sys/resource.h>

#include <cmath>
#include <csignal>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "store/fixtures.hpp"

// A leftover temporary file shows up as an extra entry.
static auto entries(const std::filesystem::path& folder) {
  return std::distance(std::filesystem::directory_iterator(folder), {});
}

TEST(WriteAtomically, EveryFailureLeavesTheOldFileAndNoTemporaryOne) {
  TempFolder tmp;
  ASSERT_TRUE(Store::writeAtomically(tmp / "a/last.json", "new"));
  EXPECT_EQ(entries(tmp / "a"), 1);
  writeAll(tmp / "blocker", "old");
  std::filesystem::create_directories(tmp / "dir/inner");
  for (const std::filesystem::path& target : {tmp / "dir", tmp / "blocker/last.json", tmp.path / ""}) {
    EXPECT_FALSE(Store::writeAtomically(target, "new")) << target;
    EXPECT_EQ(entries(tmp.path) + entries(tmp / "dir"), 3 + 1);
    EXPECT_EQ(readAll(tmp / "blocker"), "old");
  }
  // Tests run as root, so permissions cannot make a write fail half-way; a
  // file size limit can.
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const rlimit small{64, saved.rlim_max};
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool written = Store::writeAtomically(tmp / "blocker", std::string(4096, 'x'));
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(written);
  EXPECT_EQ(readAll(tmp / "blocker"), "old");
  EXPECT_EQ(entries(tmp.path), 3);
}

TEST(EncodeJSON, SortsMembersWritesWholeNumbersBareAndRefusesNonFinite) {
  EXPECT_EQ(Store::encodeJSON({{"b", {-0.0, 2e20, 1760421600000.0}}, {"a", {{"y", 0.5}, {"x", 1}}}}),
            "{\n  \"a\": {\n    \"x\": 1,\n    \"y\": 0.5\n  },\n  \"b\": [\n    -0.0,\n    2e+20,\n    "
            "1760421600000\n  ]\n}\n");
  EXPECT_FALSE(Store::encodeJSON({{"a", {{"b", {1.0, std::nan("")}}}}}));
  EXPECT_EQ(Store::encodeJSON({"ab\xff"}), "[\n  \"ab\ufffd\"\n]\n");
}
