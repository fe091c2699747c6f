#include "store/tail_lines.hpp"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace Store {

namespace {

constexpr std::size_t blockBytes = 64 * 1024;

}  // namespace

// The buffer starts as a made-up line feed after the file's end, so the
// bytes after the file's last real one come out as a line to skip: nothing
// when the file ends in a line feed, a torn line when it does not.
TailLines::TailLines(int fd, std::uintmax_t size, std::size_t maxLine, std::uintmax_t scanLimit)
    : fd_(fd), maxLine_(maxLine), floor_(size > scanLimit ? size - scanLimit : 0), from_(size) {}

std::optional<std::string_view> TailLines::previous() {
  for (;;) {
    const std::size_t cut = end_ >= 2 ? buffer_.rfind('\n', end_ - 2) : std::string::npos;
    // At the floor the buffer starts where a line starts.
    const bool whole = cut != std::string::npos || from_ == floor_;
    if (whole) {
      const std::size_t start = cut == std::string::npos ? 0 : cut + 1;
      const std::size_t length = end_ - 1 - start;
      const bool taken = !skipping_ && length <= maxLine_;
      end_ = start;
      skipping_ = false;
      if (taken) return std::string_view(buffer_).substr(start, length);
      if (end_ == 0) return std::nullopt;
      continue;
    }
    if (end_ > maxLine_ + 1) {
      // Only the line feed that ends this line is kept, to find its start.
      buffer_.assign(1, '\n');
      end_ = 1;
      skipping_ = true;
    }
    if (!readBlock()) return std::nullopt;
  }
}

bool TailLines::readBlock() {
  if (from_ <= floor_) return false;
  const std::size_t want = static_cast<std::size_t>(std::min<std::uintmax_t>(blockBytes, from_ - floor_));
  std::string block(want, '\0');
  std::size_t got = 0;
  while (got < want) {
    const ssize_t n = ::pread(fd_, block.data() + got, want - got, off_t(from_ - want + got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;  // shrunk or failed: what is left is not to be trusted
    got += static_cast<std::size_t>(n);
  }
  block.append(buffer_, 0, end_);
  buffer_ = std::move(block);
  from_ -= want;
  end_ = buffer_.size();
  // At the scan limit the first bytes are the end of a line whose start is
  // not read, which is no line either, unless a line starts right there.
  char before = 0;
  if (from_ == floor_ && floor_ > 0 && (::pread(fd_, &before, 1, off_t(floor_ - 1)) != 1 || before != '\n')) {
    const std::size_t first = buffer_.find('\n');
    buffer_.erase(0, first == std::string::npos ? buffer_.size() : first + 1);
    end_ = buffer_.size();
    if (end_ == 0) return false;
  }
  return true;
}

}  // namespace Store
