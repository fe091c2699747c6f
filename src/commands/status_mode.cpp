#include "commands/status_mode.hpp"

#include <unistd.h>

#include <ostream>

#include "commands/status_follow.hpp"
#include "store/reading_store.hpp"

int runStatusMode(const StatusOptions& options, const std::filesystem::path& lastFile, std::ostream& out,
                  const std::function<EpochSeconds()>& clock) {
  if (options.follow) return followStatus(options.format, lastFile, STDOUT_FILENO, clock);
  const EpochSeconds now = clock();
  out << statusText(options.format, Store::load(lastFile, now), now) << std::flush;
  return 0;
}
