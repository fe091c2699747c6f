#pragma once
// A file's lines newest first, read a block at a time from its end, so a
// file of any size costs a bounded amount of memory and the lines that
// matter most are read first.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace Store {

class TailLines {
 public:
  // Reads the descriptor's first `size` bytes, but no further back from the
  // end than `scanLimit`. Lines longer than `maxLine` are skipped, each alone.
  TailLines(int fd, std::uintmax_t size, std::size_t maxLine, std::uintmax_t scanLimit);

  // The next complete line back, without its line feed, valid until the next
  // call; absent once the start of the file, the scan limit or a read error
  // is reached. What follows the last line feed (a line torn by a kill
  // mid-append) is no line.
  std::optional<std::string_view> previous();

 private:
  bool readBlock();

  int fd_;
  std::size_t maxLine_;
  std::uintmax_t floor_;  // the file offset reading stops at
  std::uintmax_t from_;   // where buffer_ starts in the file
  // Read bytes from from_ on; the first end_ of them are not handed out yet
  // and end in the line feed of the line to hand out next.
  std::string buffer_ = "\n";
  std::size_t end_ = 1;
  // The line ending at end_ lost its head for being too long,
  // or is the torn end of the file: what is left of it is no line.
  bool skipping_ = true;
};

}  // namespace Store
