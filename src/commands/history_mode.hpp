#pragma once
// `--history [--format csv|json] [--since 5h|7d|…]`: the recorded usage for
// spreadsheets and scripts, without a display and without the running app.

#include <filesystem>
#include <iosfwd>
#include <optional>

#include "commands/history_output.hpp"
#include "readings/reading.hpp"

struct HistoryOptions {
  HistoryFormat format = HistoryFormat::csv;
  std::optional<double> sinceSeconds;  // all lines when absent
  bool operator==(const HistoryOptions&) const = default;
};

// Reads the history file without writing anything and prints the lines since
// the asked span before `now` to `out`. 0 on success.
int runHistoryMode(const HistoryOptions& options, const std::filesystem::path& historyFile, EpochSeconds now,
                   std::ostream& out);
