#include "store/regular_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <system_error>

namespace Store {

namespace {

namespace fs = std::filesystem;

int linkFlag(Links links) {
  return links == Links::refuse ? O_NOFOLLOW : 0;
}

bool regular(int fd) {
  struct stat st {};
  return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

FileDescriptor openRegular(const fs::path& path, Links links) {
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | linkFlag(links)));
  if (fd.valid() && !regular(fd.get())) fd.close();
  return fd;
}

bool absentOrRegular(const fs::path& path, Links links) {
  const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | linkFlag(links)));
  if (!fd.valid()) return errno == ENOENT;
  return regular(fd.get());
}

// Creating with O_CREAT rather than writing a new file whole keeps two
// processes that start at once from replacing each other's first lines.
WritableFile openOrReplace(const fs::path& path, int flags, mode_t mode) {
  WritableFile opened;
  std::error_code ec;
  for (int attempt = 0; attempt < 3; ++attempt) {
    opened.fd =
        FileDescriptor(::open(path.c_str(), flags | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, mode));
    if (!opened.fd.valid() && errno == ENOENT) {
      fs::create_directories(path.parent_path(), ec);
      continue;
    }
    if (opened.fd.valid() && regular(opened.fd.get())) return opened;
    opened.fd.close();
    // A regular file that cannot be opened (no permission) is left alone.
    if (fs::is_regular_file(fs::symlink_status(path, ec))) break;
    opened.wasNotAFile = true;
    // Not emptied first: what a folder holds is not ours to throw away.
    if (!fs::remove(path, ec)) break;
  }
  return opened;
}

bool stillAtPath(int fd, const fs::path& path) {
  struct stat held {
  }, now{};
  return ::fstat(fd, &held) == 0 && ::lstat(path.c_str(), &now) == 0 && held.st_dev == now.st_dev &&
         held.st_ino == now.st_ino;
}

}  // namespace Store
