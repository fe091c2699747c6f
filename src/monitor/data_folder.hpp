#pragma once
// Whether the data folder can keep anything. Saves fail silently by design,
// so without this check a folder that takes no files looks to the user like
// an extension that never calls.

#include <filesystem>
#include <optional>
#include <string>

#include "display/shown.hpp"

// Makes the folder when it is missing, then writes and removes a file in it.
// Absent when that works; otherwise one line saying what failed and why.
std::optional<std::string> dataFolderProblem(const std::filesystem::path& folder);

// Puts the unsaved-readings note on the status line in place of the waiting
// line, or on a panel that has none (the one status line a panel in phase
// "ok" can have). Signed out, an error or a port that cannot be listened on
// keep their line: those need the user first.
void noteUnsavedReadings(Shown& shown);
