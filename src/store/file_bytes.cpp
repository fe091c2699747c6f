#include "store/file_bytes.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace Store {

std::optional<std::string> readFile(const std::filesystem::path& file, std::uintmax_t limit, Links links) {
  const FileDescriptor fd = openRegular(file, links);
  struct stat info {};
  if (!fd.valid() || ::fstat(fd.get(), &info) != 0 || std::uintmax_t(info.st_size) > limit)
    return std::nullopt;
  // Read to the end rather than to the size found: a file that grew since is
  // still refused past the limit, and files that report no size are read.
  std::string bytes(static_cast<std::size_t>(info.st_size) + 1, '\0');
  std::size_t filled = 0;
  for (;;) {
    if (filled == bytes.size()) {
      if (filled > limit) return std::nullopt;
      bytes.resize(std::min<std::uintmax_t>(limit + 1, filled * 2 + 4096));
    }
    const ssize_t got = ::read(fd.get(), bytes.data() + filled, bytes.size() - filled);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return std::nullopt;
    if (got == 0) break;
    filled += static_cast<std::size_t>(got);
  }
  if (filled > limit) return std::nullopt;
  bytes.resize(filled);
  return bytes;
}

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

}  // namespace Store
