#pragma once
// `--status [--format waybar|json|text] [--follow]`: the tray's numbers for status bars,
// scripts and terminals, without a display and without the running app.

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <optional>

#include "commands/status_output.hpp"
#include "display/tray_choice.hpp"
#include "readings/reading.hpp"

struct StatusOptions {
  StatusFormat format = StatusFormat::text;
  bool follow = false;
  // --window: for this call only; absent, the tray's saved choice.
  std::optional<TrayWindow> window;
  bool operator==(const StatusOptions&) const = default;
};

// The files the status is read from, never written.
struct StatusFiles {
  std::filesystem::path last;      // the readings
  std::filesystem::path settings;  // the tray's choice of window
};

// Prints the model in the asked format to `out`; with `follow`, on standard
// output until that is closed (followStatus). 0 on success.
int runStatusMode(const StatusOptions& options, const StatusFiles& files, std::ostream& out,
                  const std::function<EpochSeconds()>& clock);
