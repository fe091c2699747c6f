#pragma once
// `--status --follow`: the status output for bars that keep one command
// running, printed again whenever it changes, sleeping in between.

#include <filesystem>
#include <functional>

#include "commands/status_mode.hpp"
#include "commands/status_output.hpp"
#include "readings/reading.hpp"

// The output for the pair read from the readings file at `now`, with
// `choice` the window shown at a glance.
std::string statusText(StatusFormat format, const Saved& saved, TrayWindow choice, EpochSeconds now);

// The window --window names, else the one the tray's settings name now.
TrayWindow shownWindow(const StatusOptions& options, const StatusFiles& files);

// Writes the output to `outFd`, then again each time it differs: after the
// readings file is replaced or the tray's choice changes (both folders are
// watched with inotify) and at the minute marks where phrases change.
// Returns 0 as soon as `outFd` is closed by its reader or a write to it
// fails; never returns otherwise.
int followStatus(const StatusOptions& options, const StatusFiles& files, int outFd,
                 const std::function<EpochSeconds()>& clock);
