#pragma once
// `--history [--format csv|json] [--since 5h|7d|…]`: the recorded usage for
// spreadsheets and scripts, without a display and without the running app.

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

#include "readings/reading.hpp"

// Reads history.jsonl from `dataFolder` without writing anything and prints
// the lines since the asked span before `now` (all by default) to `out`. 0 on
// success, 2 with a usage line on `err` for an unknown format or span.
int runHistoryMode(const std::vector<std::string>& args, const std::filesystem::path& dataFolder, Date now,
                   std::ostream& out, std::ostream& err);
