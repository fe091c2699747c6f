#pragma once
// What a cut-short update leaves beside the bundle: its work folder
// (.Quotalume-update-<UUID>) or, from earlier releases' swap scripts, the old
// bundle moved aside (<bundle>.old-<pid>). The next launch removes them.

#include <sys/types.h>

#include <filesystem>
#include <vector>

namespace Updater {

// The real folders beside `bundle` named exactly as the updater names its
// leftovers, that belong to `owner` and that no live process still uses:
// none has the folder, or a path in it, among its arguments (a swap script
// and its exchange do) or as its working folder, root, program or an open
// file, nor is the process a <bundle>.old-<pid> names.
std::vector<std::filesystem::path> staleLeftovers(const std::filesystem::path& bundle, uid_t owner);

// Removes this user's stale leftovers beside the bundle `executable` runs
// from, logging each. Main thread, after the single-instance check: no
// download of this user's own is then under way.
void sweepLeftovers(const std::filesystem::path& executable);

}  // namespace Updater
