#include "store/file_bytes.hpp"

#include <sys/stat.h>
#include <unistd.h>

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
