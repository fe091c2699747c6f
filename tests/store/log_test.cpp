#include "store/log.hpp"

#include <limits>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "store/temp_folder.hpp"
#include "store/time_stamp.hpp"

namespace {

namespace fs = std::filesystem;

constexpr Date stamp = 1796502849;  // 2026-12-05T20:34:09Z

std::vector<std::string> linesOf(const fs::path& file) {
  std::vector<std::string> lines;
  std::istringstream in(readAll(file));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(IsoTimeStamp, WholeSecondsInUTC) {
  struct Case {
    Date at;
    const char* want;
  } cases[] = {
      {stamp + 0.999, "2026-12-05T20:34:09Z"},  // cut, not rounded
      {-0.5, "1969-12-31T23:59:59Z"},
      {1709251199, "2024-02-29T23:59:59Z"},
      {-2203891200, "1900-03-01T00:00:00Z"},
      {253402300799, "9999-12-31T23:59:59Z"},
      {std::numeric_limits<double>::quiet_NaN(), "1970-01-01T00:00:00Z"},
  };
  for (const auto& c : cases) EXPECT_EQ(isoTimeStamp(c.at), c.want) << c.at;
}

TEST(AppendLogLine, FirstLineCreatesTheFolderAndLineFeedsCannotForgeLines) {
  TempFolder tmp;
  const auto file = tmp / "state/Quotalume/Quotalume.log";
  Store::appendLogLine(file, "launch Quotalume 1.0.2", stamp);
  EXPECT_EQ(readAll(file), "2026-12-05T20:34:09Z launch Quotalume 1.0.2\n");
  Store::appendLogLine(file, "feed error: x\n2026-01-01T00:00:00Z fake\r", stamp + 1);
  EXPECT_EQ(readAll(file),
            "2026-12-05T20:34:09Z launch Quotalume 1.0.2\n"
            "2026-12-05T20:34:10Z feed error: x 2026-01-01T00:00:00Z fake \n");
}

TEST(AppendLogLine, RotatesOnceTheFileHoldsTheLimit) {
  const std::string newLine = "2026-12-05T20:34:09Z next\n";
  struct Case {
    const char* name;
    std::uintmax_t existing;
    bool rotated;
  } cases[] = {
      {"one byte short: appended, may pass the limit", maxLogBytes - 1, false},
      {"exactly the limit: rotated", maxLogBytes, true},
      {"beyond the limit: rotated", maxLogBytes + 500, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder tmp;
    const auto file = tmp / "Quotalume.log";
    const auto older = tmp / "Quotalume.log.1";
    const std::string existing(c.existing, 'a');
    writeAll(file, existing);
    writeAll(older, "previous generation\n");
    Store::appendLogLine(file, "next", stamp);
    if (c.rotated) {
      EXPECT_EQ(readAll(file), newLine);
      EXPECT_EQ(readAll(older), existing);
    } else {
      EXPECT_EQ(readAll(file), existing + newLine);
      EXPECT_EQ(readAll(older), "previous generation\n");
    }
  }
}

TEST(AppendLogLine, FailuresAreSilentAndHarmless) {
  TempFolder tmp;
  writeAll(tmp / "file", "not a folder");
  Store::appendLogLine(tmp / "file/Quotalume.log", "lost", stamp);
  EXPECT_EQ(readAll(tmp / "file"), "not a folder");

  fs::create_directories(tmp / "Quotalume.log");
  Store::appendLogLine(tmp / "Quotalume.log", "lost", stamp);
  EXPECT_TRUE(fs::is_directory(tmp / "Quotalume.log"));
  EXPECT_TRUE(fs::is_empty(tmp / "Quotalume.log"));
}

// Eight writers with a rotation in the middle: every line arrives whole and
// exactly once across the two generations, as long as the total stays below
// two files' worth (a second rotation would drop the first generation).
TEST(AppendLogLine, ConcurrentWritersLoseAndMixNothingAcrossARotation) {
  TempFolder tmp;
  const auto file = tmp / "Quotalume.log";
  constexpr int threads = 8;
  constexpr int perThread = 250;
  constexpr std::uintmax_t rotateAt = 64 * 1024;

  std::vector<std::thread> writers;
  for (int t = 0; t < threads; ++t) {
    writers.emplace_back([&, t] {
      for (int i = 0; i < perThread; ++i) {
        Store::appendLogLine(file, "writer " + std::to_string(t) + " line " + std::to_string(i), stamp,
                             rotateAt);
      }
    });
  }
  for (auto& writer : writers) writer.join();

  auto lines = linesOf(tmp / "Quotalume.log.1");
  const auto current = linesOf(file);
  ASSERT_FALSE(lines.empty()) << "no rotation happened";
  EXPECT_GE(fs::file_size(tmp / "Quotalume.log.1"), rotateAt);
  EXPECT_LT(fs::file_size(file), rotateAt);
  lines.insert(lines.end(), current.begin(), current.end());

  const std::regex shape(R"(2026-12-05T20:34:09Z writer (\d) line (\d+))");
  std::set<std::string> seen;
  std::vector<int> nextOf(threads, 0);
  for (const auto& line : lines) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(line, match, shape)) << line;
    const int writer = std::stoi(match[1]);
    EXPECT_EQ(std::stoi(match[2]), nextOf[writer]++) << "out of order or lost: " << line;
    seen.insert(line);
  }
  EXPECT_EQ(seen.size(), std::size_t{threads * perThread});
}

}  // namespace
