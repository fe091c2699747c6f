#include "controller/single_instance.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "build_config.hpp"

namespace {

// Opens the lock file itself, never what a symlink at its place points to.
// Anything at the path that is not a regular file (a symlink, an empty folder, a
// pipe) is removed and a fresh file made in its place.
int openLockFile(const std::filesystem::path& path) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    struct stat st {};
    if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) return fd;
    if (fd >= 0) ::close(fd);
    std::error_code ignored;
    if (!std::filesystem::remove(path, ignored)) return -1;
  }
  return -1;
}

// Whether the descriptor still names the file at the path: a copy that quits
// removes its lock file, and a lock taken on a removed file guards nothing.
bool stillAtPath(int fd, const std::filesystem::path& path) {
  struct stat held {
  }, now{};
  return ::fstat(fd, &held) == 0 && ::lstat(path.c_str(), &now) == 0 && held.st_dev == now.st_dev &&
         held.st_ino == now.st_ino;
}

}  // namespace

std::filesystem::path instanceLockPath(const Store::EnvLookup& env, const std::filesystem::path& dataDir) {
  const std::string name = std::string(bundleID) + ".lock";
  if (auto runtime = env("XDG_RUNTIME_DIR"); runtime && std::filesystem::path(*runtime).is_absolute())
    return std::filesystem::path(*runtime) / name;
  return dataDir.parent_path() / name;
}

InstanceLock::InstanceLock(std::filesystem::path path) : path_(std::move(path)) {}

InstanceLock::~InstanceLock() {
  if (fd_ < 0) return;
  // Removed while still held, so no later copy can lock the file this one leaves.
  std::error_code ignored;
  std::filesystem::remove(path_, ignored);
  ::close(fd_);
}

bool InstanceLock::acquire() {
  if (fd_ >= 0) return true;
  std::error_code ignored;
  std::filesystem::create_directories(path_.parent_path(), ignored);
  for (int attempt = 0; attempt < 3; ++attempt) {
    const int fd = openLockFile(path_);
    // A lock that cannot be made proves no other copy runs; refusing to start
    // for it would keep the app away for good.
    if (fd < 0) return true;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const bool held = errno == EWOULDBLOCK;
      ::close(fd);
      if (held) return false;
      return true;
    }
    if (stillAtPath(fd, path_)) {
      fd_ = fd;
      return true;
    }
    ::close(fd);
  }
  return false;
}
