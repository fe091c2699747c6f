#include "commands/history_mode.hpp"

#include <limits>
#include <ostream>

int runHistoryMode(const HistoryOptions& options, const std::filesystem::path& historyFile, EpochSeconds now,
                   std::ostream& out) {
  const double fromMs =
      options.sinceSeconds ? (now - *options.sinceSeconds) * 1000 : -std::numeric_limits<double>::infinity();
  out << historyOutput(options.format, History::load(historyFile, now, fromMs)) << std::flush;
  return 0;
}
