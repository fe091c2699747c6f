#include "store/file_bytes.hpp"

#include <fcntl.h>
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
  // Reads of the size found, not a character at a time: the history can be
  // megabytes. A file that grew since is read as it was.
  std::string bytes(static_cast<std::size_t>(info.st_size), '\0');
  std::size_t filled = 0;
  while (filled < bytes.size()) {
    const ssize_t got = ::read(fd.get(), bytes.data() + filled, bytes.size() - filled);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return std::nullopt;
    if (got == 0) break;
    filled += static_cast<std::size_t>(got);
  }
  bytes.resize(filled);
  return bytes;
}

std::string readProcFile(const std::filesystem::path& file, std::size_t limit) {
  const FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  std::string bytes;
  char block[4096];
  while (fd.valid() && bytes.size() < limit) {
    const ssize_t got = ::read(fd.get(), block, std::min(sizeof block, limit - bytes.size()));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    bytes.append(block, static_cast<std::size_t>(got));
  }
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
