#pragma once
// `--status [--format waybar|json|text] [--follow]`: the tray's numbers for status bars,
// scripts and terminals, without a display and without the running app.

#include <filesystem>
#include <functional>
#include <iosfwd>

#include "commands/status_output.hpp"
#include "readings/reading.hpp"

struct StatusOptions {
  StatusFormat format = StatusFormat::text;
  bool follow = false;
  bool operator==(const StatusOptions&) const = default;
};

// Reads the readings file `lastFile` without writing anything and prints the
// model in the asked format to `out`; with `follow`, on standard output until
// that is closed (followStatus). 0 on success.
int runStatusMode(const StatusOptions& options, const std::filesystem::path& lastFile, std::ostream& out,
                  const std::function<EpochSeconds()>& clock);
