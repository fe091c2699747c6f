#pragma once
// `--status --follow`: the status output for bars that keep one command
// running, printed again whenever it changes, sleeping in between.

#include <filesystem>
#include <functional>

#include "commands/status_output.hpp"
#include "readings/reading.hpp"

// The output for the pair read from the readings file at `now`.
std::string statusText(StatusFormat format, const Saved& saved, EpochSeconds now);

// Writes the output to `outFd`, then again each time it differs: after
// the readings file is replaced (its folder is watched with inotify) and at the
// minute marks where phrases change. Returns 0 as soon as `outFd` is closed
// by its reader or a write to it fails; never returns otherwise.
int followStatus(StatusFormat format, const std::filesystem::path& lastFile, int outFd,
                 const std::function<EpochSeconds()>& clock);
