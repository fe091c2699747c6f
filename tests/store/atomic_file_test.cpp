#include "store/atomic_file.hpp"

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cmath>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "store/fixtures.hpp"
#include "store/reading_store.hpp"
#include "store/temporary_name.hpp"
#include "store/temporary_sweep.hpp"

TEST(WriteAtomically, EveryFailureLeavesTheOldFileAndNoTemporaryOne) {
  TempFolder tmp;
  ASSERT_TRUE(Store::writeAtomically(tmp / "a/last.json", "new"));
  EXPECT_EQ(names(tmp / "a"), std::vector<std::string>{"last.json"});
  writeAll(tmp / "blocker", "old");
  std::filesystem::create_directories(tmp / "dir/inner");
  const std::vector<std::string> before{"a", "blocker", "dir"};
  for (const std::filesystem::path& target : {tmp / "dir", tmp / "blocker/last.json", tmp.path / ""}) {
    EXPECT_FALSE(Store::writeAtomically(target, "new")) << target;
    EXPECT_EQ(names(tmp.path), before);
    EXPECT_EQ(names(tmp / "dir"), std::vector<std::string>{"inner"});
    EXPECT_EQ(readAll(tmp / "blocker"), "old");
  }
  // Tests run as root, so permissions cannot make a write fail half-way; a
  // file size limit can.
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const rlimit small{64, saved.rlim_max};
  const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool written = Store::writeAtomically(tmp / "blocker", std::string(4096, 'x'));
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(written);
  EXPECT_EQ(readAll(tmp / "blocker"), "old");
  EXPECT_EQ(names(tmp.path), before);
}

TEST(EncodeJSON, SortsMembersWritesWholeNumbersBareAndRefusesNonFinite) {
  EXPECT_EQ(Store::encodeJSON({{"b", {-0.0, 2e20, 1760421600000.0}}, {"a", {{"y", 0.5}, {"x", 1}}}}),
            "{\n  \"a\": {\n    \"x\": 1,\n    \"y\": 0.5\n  },\n  \"b\": [\n    -0.0,\n    2e+20,\n    "
            "1760421600000\n  ]\n}\n");
  EXPECT_FALSE(Store::encodeJSON({{"a", {{"b", {1.0, std::nan("")}}}}}));
  EXPECT_EQ(Store::encodeJSON({"ab\xff"}), "[\n  \"ab\ufffd\"\n]\n");
}

namespace fs = std::filesystem;

TEST(TemporarySweep, RemovesOnlyExactTemporariesOfTheTargetWhoseWriterIsGone) {
  // No process has an id of 2^22 or more on Linux; the parent outlives the test.
  const pid_t gone = 4194304;
  const std::string dead = std::to_string(gone), live = std::to_string(::getppid()),
                    self = std::to_string(::getpid());
  const Store::TemporaryInFlight filling(".last.json.tmp-" + self + "-4294967294-7");
  const auto fresh = std::chrono::seconds(0), old = Store::abandonedAfter + std::chrono::seconds(60),
             nearlyOld = Store::abandonedAfter - std::chrono::seconds(60);
  enum Kind { regular, folder, link };
  struct Case {
    const char* name;
    std::string file;
    std::chrono::seconds age;
    bool kept;
    Kind kind = regular;
  };
  const Case cases[] = {
      {"dead writer", ".last.json.tmp-" + dead + "-3-41", fresh, false},
      // Every name a save makes is recognised, the salt wrapped below its limit.
      {"made by a save", Store::temporaryName("last.json", gone, UINT_MAX, 12345678), fresh, false},
      {"largest process id", Store::temporaryName("last.json", INT_MAX, 0, 0), fresh, false},
      {"live process, fresh", ".last.json.tmp-" + live + "-3-41", fresh, true},
      {"live process, nearly abandoned", ".last.json.tmp-" + live + "-4-41", nearlyOld, true},
      // A killed writer whose id went to a newer process.
      {"live process, abandoned", ".last.json.tmp-" + live + "-5-41", old, false},
      {"this process, not being filled", ".last.json.tmp-" + self + "-4294967295-0", fresh, false},
      {"this process, being filled", ".last.json.tmp-" + self + "-4294967294-7", old, true},
      {"another target", ".update.json.tmp-" + dead + "-3-41", old, true},
      {"target as a suffix", ".xlast.json.tmp-" + dead + "-3-41", old, true},
      {"target as a prefix", ".last.json.1.tmp-" + dead + "-3-41", old, true},
      {"not hidden", "last.json.tmp-" + dead + "-3-41", old, true},
      {"field missing", ".last.json.tmp-" + dead + "-3", old, true},
      {"field empty", ".last.json.tmp-" + dead + "--41", old, true},
      {"field too many", ".last.json.tmp-" + dead + "-3-41-5", old, true},
      {"suffix", ".last.json.tmp-" + dead + "-3-41.swp", old, true},
      {"sign", ".last.json.tmp-+" + dead + "-3-41", old, true},
      {"leading zero", ".last.json.tmp-0" + dead + "-3-41", old, true},
      {"process id zero", ".last.json.tmp-0-3-41", old, true},
      {"process id too large", ".last.json.tmp-4294967296-3-41", old, true},
      {"serial too large", ".last.json.tmp-" + dead + "-4294967296-41", old, true},
      {"salt too large", ".last.json.tmp-" + dead + "-3-1000000", old, true},
      {"a folder", ".last.json.tmp-" + dead + "-6-41", old, true, folder},
      {"a link", ".last.json.tmp-" + dead + "-7-41", old, true, link},
  };
  TempFolder tmp;
  writeAll(tmp / "linked", "kept");
  for (const Case& c : cases) {
    const fs::path path = tmp / c.file;
    if (c.kind == folder) fs::create_directory(path);
    if (c.kind == regular) writeAll(path, "{");
    if (c.kind == link) fs::create_symlink(tmp / "linked", path);
    if (c.kind != link) fs::last_write_time(path, fs::file_time_type::clock::now() - c.age);
  }
  Store::save(Saved{}, tmp / "last.json");
  for (const Case& c : cases) EXPECT_EQ(fs::exists(fs::symlink_status(tmp / c.file)), c.kept) << c.name;
  EXPECT_EQ(readAll(tmp / "linked"), "kept");
  EXPECT_EQ(readAll(tmp / "last.json"), "{}\n");
}

// Every thread's save sweeps while the others are filling their temporaries,
// which must be marked in flight before they exist.
TEST(TemporarySweep, ConcurrentSavesOfOneProcessAllSucceedAndLeaveNothingBehind) {
  TempFolder tmp;
  std::atomic<int> failed{0};
  std::vector<std::thread> writers;
  for (int thread = 0; thread < 4; ++thread)
    writers.emplace_back([&, thread] {
      for (int round = 0; round < 50; ++round)
        if (!Store::writeAtomically(tmp / "last.json", std::string(1000 + round * 997 % 60000, 'a' + thread)))
          ++failed;
    });
  for (auto& writer : writers) writer.join();
  EXPECT_EQ(failed, 0);
  EXPECT_EQ(names(tmp.path), std::vector<std::string>{"last.json"});
}
