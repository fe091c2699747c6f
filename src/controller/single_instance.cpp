#include "controller/single_instance.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <string>
#include <system_error>

#include "build_config.hpp"
#include "store/file_bytes.hpp"
#include "store/regular_file.hpp"

namespace {

// Opens the lock file itself, never what a symlink at its place points to.
// Anything at the path that is not a regular file (a symlink, an empty folder, a
// pipe) is removed and a fresh file made in its place. A folder that holds
// something cannot be removed, so it is locked itself: every copy meets the
// same folder, and it keeps a second one out as the file would.
int openLockFile(const std::filesystem::path& path) {
  Store::WritableFile file = Store::openOrReplace(path, O_RDWR, 0600);
  if (file.fd.valid()) return file.fd.release();
  return ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
}

}  // namespace

std::filesystem::path instanceLockPath(const Store::EnvLookup& env, const std::filesystem::path& dataDir) {
  const std::string name = std::string(appId) + ".lock";
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
    if (Store::stillAtPath(fd, path_)) {
      fd_ = fd;
      // Who holds it, for a later start to tell this copy from a program
      // that took the app's name on the bus.
      const std::string pid = std::to_string(::getpid()) + "\n";
      if (::ftruncate(fd, 0) == 0) (void)Store::writeAll(fd, pid);
      return true;
    }
    ::close(fd);
  }
  return false;
}

std::optional<long> InstanceLock::holder() const {
  const std::string text = Store::readFile(path_, 32).value_or("");
  long pid = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), pid);
  if (error != std::errc() || pid <= 0 || end == text.data() ||
      (end != text.data() + text.size() && *end != '\n'))
    return std::nullopt;
  return pid;
}
