#include "store/temporary_sweep.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "store/temporary_name.hpp"

namespace {

// Names only: each carries this process's id and a serial used once, so a
// name cannot be in flight in two folders at the same time.
struct InFlight {
  std::mutex mutex;
  std::vector<std::string> names;  // a handful at most, one per saving thread
};

InFlight& inFlight() {
  static InFlight registry;
  return registry;
}

bool isInFlight(std::string_view name) {
  InFlight& registry = inFlight();
  const std::lock_guard lock(registry.mutex);
  return std::find(registry.names.begin(), registry.names.end(), name) != registry.names.end();
}

// A zombie or a process of another user still counts as existing; only a
// definite "no such process" lets its temporaries go.
bool processExists(pid_t pid) {
  return ::kill(pid, 0) == 0 || errno != ESRCH;
}

// A temporary of this process that is not in flight was left by an earlier
// process that had the same id.
bool isStale(pid_t writer, const struct stat& file, std::time_t now) {
  if (writer == ::getpid()) return true;
  if (!processExists(writer)) return true;
  return file.st_mtim.tv_sec < now - Store::abandonedAfter.count();
}

struct CloseFolder {
  void operator()(DIR* folder) const { ::closedir(folder); }
};

}  // namespace

namespace Store {

TemporaryInFlight::TemporaryInFlight(std::string name) : name_(std::move(name)) {
  InFlight& registry = inFlight();
  const std::lock_guard lock(registry.mutex);
  registry.names.push_back(name_);
}

TemporaryInFlight::~TemporaryInFlight() {
  InFlight& registry = inFlight();
  const std::lock_guard lock(registry.mutex);
  const auto found = std::find(registry.names.begin(), registry.names.end(), name_);
  if (found != registry.names.end()) registry.names.erase(found);
}

void sweepStaleTemporaries(const std::filesystem::path& folder, std::string_view target, std::time_t now) {
  const std::unique_ptr<DIR, CloseFolder> listing(::opendir(folder.c_str()));
  if (!listing) return;
  const int descriptor = ::dirfd(listing.get());
  while (const dirent* entry = ::readdir(listing.get())) {
    const std::string_view name = entry->d_name;
    const auto writer = temporaryWriter(name, target);
    // The sweeping save always meets its own temporary; skip it unexamined.
    if (!writer || (*writer == ::getpid() && isInFlight(name))) continue;
    // Only what a save makes: a link or folder of that name is someone
    // else's, and lstat keeps a link from vouching for its target.
    struct stat file {};
    if (::fstatat(descriptor, entry->d_name, &file, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(file.st_mode))
      continue;
    if (isStale(*writer, file, now)) ::unlinkat(descriptor, entry->d_name, 0);
  }
}

}  // namespace Store
