// What every store reads through: the opener and the newest-first reader.
#include <fcntl.h>
#include <sys/stat.h>

#include <tuple>

#include <gtest/gtest.h>

#include "store/fixtures.hpp"
#include "store/regular_file.hpp"
#include "store/tail_lines.hpp"

// Only a regular file is opened, never a pipe, a device or a folder, and
// through a link only where links are followed.
TEST(RegularFile, OnlyARegularFileAndThroughALinkOnlyWhenAsked) {
  TempFolder tmp;
  writeAll(tmp / "file", "x");
  ::mkfifo((tmp / "pipe").c_str(), 0600);
  std::filesystem::create_directory(tmp / "folder");
  std::filesystem::create_symlink(tmp / "file", tmp / "link");
  std::filesystem::create_symlink(tmp / "pipe", tmp / "link to a pipe");
  // Whether it opens with links refused, and with links followed.
  const std::tuple<std::string, bool, bool> cases[] = {
      {"file", true, true},        {"pipe", false, false}, {"folder", false, false},
      {"/dev/null", false, false}, {"link", false, true},  {"link to a pipe", false, false},
      {"missing", false, false}};
  for (const auto& [name, refusing, following] : cases) {
    SCOPED_TRACE(name);
    EXPECT_EQ(Store::openRegular(tmp / name).valid(), refusing);
    EXPECT_EQ(Store::openRegular(tmp / name, Store::Links::follow).valid(), following);
    EXPECT_EQ(Store::absentOrRegular(tmp / name), refusing || name == "missing");
  }
}

// Only whole lines come out, newest first: never what follows the last line
// feed, never any part of a line past the length limit (though its head lies
// a block before the rest), never the end of a line whose start is past the
// scan limit, but a line that starts right at that limit.
TEST(TailLines, HandsOutWholeLinesOnly) {
  const std::string three = "first\nsecond\nthird\n", big(64 * 1024 - 6, 'x');
  // The text, its line limit, its scan limit and the lines handed out.
  const std::tuple<std::string, std::size_t, std::uintmax_t, std::vector<std::string>> cases[] = {
      {"a\n\nb\ntorn", 16, 1 << 20, {"b", "", "a"}},
      {"a\n" + std::string(17, 'x') + "\nb\n", 16, 1 << 20, {"b", "a"}},
      {"head\nxyz" + big + "\ntail\n", 16384, 1 << 20, {"tail", "head"}},  // "xyz" alone in the first block
      {three, 16, three.size() - 8, {"third"}},
      {three, 16, three.size() - 6, {"third", "second"}},
  };
  for (const auto& [text, maxLine, scanLimit, want] : cases) {
    SCOPED_TRACE(text.substr(0, 20));
    TempFolder tmp;
    writeAll(tmp / "lines", text);
    const Store::FileDescriptor fd(::open((tmp / "lines").c_str(), O_RDONLY | O_CLOEXEC));
    Store::TailLines lines(fd.get(), text.size(), maxLine, scanLimit);
    std::vector<std::string> got;
    while (const auto line = lines.previous()) got.emplace_back(*line);
    EXPECT_EQ(got, want);
  }
}
