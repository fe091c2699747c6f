#include "store/log.hpp"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <regex>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "store/fixtures.hpp"

constexpr EpochSeconds stamp = 1796502849;  // 2026-12-05T20:34:09Z

// Whatever lies at the log's place that is not a regular file is replaced
// like a missing log (whose folder is made), never written through.
TEST(AppendLogLine, ReplacesWhatIsNotAFileAndFollowsNoSymlink) {
  namespace fs = std::filesystem;
  enum Planted { nothing, fileLink, danglingLink, emptyFolder, pipe };
  for (const Planted planted : {nothing, fileLink, danglingLink, emptyFolder, pipe}) {
    SCOPED_TRACE(planted);
    TempFolder tmp;
    const auto file = tmp / "state/Quotalume.log";
    writeAll(tmp / "other", "keep\n");
    if (planted != nothing) fs::create_directory(tmp / "state");
    if (planted == fileLink) fs::create_symlink(tmp / "other", file);
    if (planted == danglingLink) fs::create_symlink(tmp / "missing", file);
    if (planted == emptyFolder) fs::create_directory(file);
    if (planted == pipe) ::mkfifo(file.c_str(), 0600);
    // Line breaks in the text must not forge a line of their own.
    Store::appendLogLine(file, "feed error: x\n2026-01-01T00:00:00Z fake\r", stamp + 0.999);
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(file)));
    EXPECT_EQ(readAll(file), "2026-12-05T20:34:09Z feed error: x 2026-01-01T00:00:00Z fake \n");
    EXPECT_EQ(readAll(tmp / "other"), "keep\n");
    EXPECT_FALSE(fs::exists(tmp / "missing"));
  }
  // A folder with something in it is not thrown away for a log line.
  TempFolder tmp;
  fs::create_directories(tmp / "Quotalume.log/kept");
  Store::appendLogLine(tmp / "Quotalume.log", "lost", stamp);
  EXPECT_TRUE(fs::is_directory(tmp / "Quotalume.log/kept"));
}

// Copies that start together each create the missing log (and its folder);
// none may replace a file another has just made and lose its first line.
TEST(AppendLogLine, ProcessesStartingTogetherLoseNoFirstLine) {
  constexpr int rounds = 20, copies = 8;
  for (int round = 0; round < rounds; ++round) {
    TempFolder tmp;
    const auto file = tmp / "state/Quotalume.log";
    int gate[2];
    ASSERT_EQ(::pipe(gate), 0);
    std::vector<pid_t> children;
    for (int i = 0; i < copies; ++i) {
      const pid_t child = ::fork();
      if (child == 0) {
        ::close(gate[1]);
        char byte;
        (void)!::read(gate[0], &byte, 1);  // returns when the parent closes its end
        Store::appendLogLine(file, "launch copy " + std::to_string(i), stamp);
        ::_exit(0);
      }
      children.push_back(child);
    }
    ::close(gate[0]);
    ::close(gate[1]);
    for (const pid_t child : children) ::waitpid(child, nullptr, 0);
    const std::string all = readAll(file);
    for (int i = 0; i < copies; ++i)
      ASSERT_NE(all.find("launch copy " + std::to_string(i) + "\n"), std::string::npos) << all;
  }
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
