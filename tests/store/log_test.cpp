#include "store/log.hpp"

#include <cmath>
#include <regex>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "store/temp_folder.hpp"
#include "store/time_stamp.hpp"

namespace fs = std::filesystem;

constexpr Date stamp = 1796502849;  // 2026-12-05T20:34:09Z

TEST(IsoTimeStamp, WholeSecondsInUTC) {
  for (const auto& [at, want] : {std::pair<Date, const char*>{stamp + 0.999, "2026-12-05T20:34:09Z"},
                                 {-0.5, "1969-12-31T23:59:59Z"},
                                 {1709251199, "2024-02-29T23:59:59Z"},
                                 {-2203891200, "1900-03-01T00:00:00Z"},
                                 {std::nan(""), "1970-01-01T00:00:00Z"}}) {
    EXPECT_EQ(isoTimeStamp(at), want) << at;
  }
}

TEST(AppendLogLine, CreatesTheFolderKeepsLinesWholeAndFailsHarmlessly) {
  TempFolder tmp;
  const auto file = tmp / "state/Quotalume/Quotalume.log";
  Store::appendLogLine(file, "launch Quotalume 1.0.2", stamp);
  Store::appendLogLine(file, "feed error: x\n2026-01-01T00:00:00Z fake\r", stamp + 1);
  EXPECT_EQ(readAll(file),
            "2026-12-05T20:34:09Z launch Quotalume 1.0.2\n"
            "2026-12-05T20:34:10Z feed error: x 2026-01-01T00:00:00Z fake \n");
  writeAll(tmp / "file", "not a folder");
  Store::appendLogLine(tmp / "file/Quotalume.log", "lost", stamp);
  EXPECT_EQ(readAll(tmp / "file"), "not a folder");
  fs::create_directories(tmp / "Quotalume.log");
  Store::appendLogLine(tmp / "Quotalume.log", "lost", stamp);
  EXPECT_TRUE(fs::is_empty(tmp / "Quotalume.log"));
}

TEST(AppendLogLine, RotatesOnceTheFileHoldsTheLimit) {
  for (const std::uintmax_t size : {maxLogBytes - 1, maxLogBytes}) {
    TempFolder tmp;
    const std::string old(size, 'a');
    const bool rotates = size == maxLogBytes;
    writeAll(tmp / "Quotalume.log", old);
    writeAll(tmp / "Quotalume.log.1", "previous\n");
    Store::appendLogLine(tmp / "Quotalume.log", "next", stamp);
    EXPECT_EQ(readAll(tmp / "Quotalume.log"), (rotates ? "" : old) + "2026-12-05T20:34:09Z next\n") << size;
    EXPECT_EQ(readAll(tmp / "Quotalume.log.1"), rotates ? old : "previous\n") << size;
  }
}

// Eight writers with a rotation in the middle: every line arrives whole, once
// and in its writer's order across the two generations, as long as the total
// stays below two files' worth (a second rotation drops the first generation).
TEST(AppendLogLine, ConcurrentWritersLoseAndMixNothingAcrossARotation) {
  TempFolder tmp;
  constexpr int threads = 8, perThread = 250;
  constexpr std::uintmax_t rotateAt = 64 * 1024;
  std::vector<std::jthread> writers;
  for (int t = 0; t < threads; ++t) {
    writers.emplace_back([&, t] {
      for (int i = 0; i < perThread; ++i) {
        const auto line = "writer " + std::to_string(t) + " line " + std::to_string(i);
        Store::appendLogLine(tmp / "Quotalume.log", line, stamp, rotateAt);
      }
    });
  }
  writers.clear();
  EXPECT_GE(fs::file_size(tmp / "Quotalume.log.1"), rotateAt);
  EXPECT_LT(fs::file_size(tmp / "Quotalume.log"), rotateAt);
  std::istringstream in(readAll(tmp / "Quotalume.log.1") + readAll(tmp / "Quotalume.log"));
  const std::regex shape(R"(2026-12-05T20:34:09Z writer (\d) line (\d+))");
  std::vector<int> next(threads, 0);
  for (std::string line; std::getline(in, line);) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(line, match, shape)) << line;
    EXPECT_EQ(std::stoi(match[2]), next[std::stoi(match[1])]++) << "out of order or lost: " << line;
  }
  EXPECT_EQ(next, std::vector<int>(threads, perThread));
}
