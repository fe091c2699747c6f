#include "store/log.hpp"

#include <regex>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "store/fixtures.hpp"

constexpr Date stamp = 1796502849;  // 2026-12-05T20:34:09Z

TEST(AppendLogLine, CreatesTheFolderKeepsLinesWholeAndFailsHarmlessly) {
  TempFolder tmp;
  const auto file = tmp / "state/Quotalume/Quotalume.log";
  Store::appendLogLine(file, "launch Quotalume 1.0.2", stamp + 0.999);
  Store::appendLogLine(file, "feed error: x\n2026-01-01T00:00:00Z fake\r", stamp + 1);
  EXPECT_EQ(readAll(file),
            "2026-12-05T20:34:09Z launch Quotalume 1.0.2\n"
            "2026-12-05T20:34:10Z feed error: x 2026-01-01T00:00:00Z fake \n");
  std::filesystem::create_directories(tmp / "Quotalume.log");
  Store::appendLogLine(tmp / "Quotalume.log", "lost", stamp);
  EXPECT_TRUE(std::filesystem::is_empty(tmp / "Quotalume.log"));
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

// Every line arrives whole, once and in its writer's order across the two
// generations, as long as the total stays below two files' worth.
TEST(AppendLogLine, ConcurrentWritersLoseAndMixNothingAcrossARotation) {
  TempFolder tmp;
  constexpr std::uintmax_t threads = 8, perThread = 250, rotateAt = 64 * 1024;
  std::vector<std::jthread> writers;
  for (std::uintmax_t t = 0; t < threads; ++t) {
    writers.emplace_back([&, t] {
      for (std::uintmax_t i = 0; i < perThread; ++i)
        Store::appendLogLine(tmp / "Quotalume.log",
                             "writer " + std::to_string(t) + " line " + std::to_string(i), stamp, rotateAt);
    });
  }
  writers.clear();
  EXPECT_GE(std::filesystem::file_size(tmp / "Quotalume.log.1"), rotateAt);
  std::istringstream in(readAll(tmp / "Quotalume.log.1") + readAll(tmp / "Quotalume.log"));
  const std::regex shape(R"(2026-12-05T20:34:09Z writer (\d) line (\d+))");
  std::vector<std::uintmax_t> next(threads, 0);
  for (std::string line; std::getline(in, line);) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, shape)) << line;
    EXPECT_EQ(std::stoul(m[2]), next[std::stoul(m[1])]++) << "out of order or lost: " << line;
  }
  EXPECT_EQ(next, std::vector<std::uintmax_t>(threads, perThread));
}
