#pragma once
// Temporaries that a killed save left behind, and the mark that keeps the
// temporaries this process is still filling out of every sweep.

#include <chrono>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>

namespace Store {

// How long a temporary may sit unmodified, while some process holds its
// writer's id, before it counts as abandoned. A save fills its temporary in
// milliseconds and even a stalled fsync gives up or is reported by the
// kernel's hung-task check within two minutes; past this age the id almost
// certainly belongs to a newer, unrelated process. A writer that really was
// frozen this long (stopped in a debugger) merely finds its rename failing,
// which a save already treats as a silent failure that keeps the old file.
inline constexpr std::chrono::seconds abandonedAfter{300};

// Marks a temporary name of this process as being filled, from before the
// file exists until after it is renamed or removed, so that a sweep in
// another thread leaves it alone.
class TemporaryInFlight {
 public:
  explicit TemporaryInFlight(std::string name);
  TemporaryInFlight(const TemporaryInFlight&) = delete;
  TemporaryInFlight& operator=(const TemporaryInFlight&) = delete;
  ~TemporaryInFlight();

 private:
  std::string name_;
};

// Removes from `folder` every regular file named as a temporary of `target`
// (temporaryName) whose writer is gone: this process but not marked in
// flight, a process id that no longer exists, or, for any other process,
// unmodified for longer than abandonedAfter. `now` comes from the folder's
// own file system (the time stamp of a file just created there), so ages are
// measured against the clock that stamped them. Failures are ignored.
void sweepStaleTemporaries(const std::filesystem::path& folder, std::string_view target, std::time_t now);

}  // namespace Store
