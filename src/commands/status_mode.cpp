#include "commands/status_mode.hpp"

#include <unistd.h>

#include <ostream>

#include "commands/status_follow.hpp"
#include "store/reading_store.hpp"

int runStatusMode(const StatusOptions& options, const StatusFiles& files, std::ostream& out,
                  const std::function<EpochSeconds()>& clock) {
  if (options.follow) return followStatus(options, files, STDOUT_FILENO, clock);
  const EpochSeconds now = clock();
  out << statusText(options.format, Store::load(files.last, now), shownWindow(options, files), now)
      << std::flush;
  return 0;
}
