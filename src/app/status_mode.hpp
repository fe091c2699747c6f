#pragma once
// `--status [--format waybar|json|text] [--follow]`: the tray's numbers for status bars,
// scripts and terminals, without a display and without the running app.

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

// Reads last.json from `dataFolder` without writing anything and prints the
// model in the asked format to `out`; with --follow, on standard output
// until that is closed (followStatus). 0 on success, 2 with a usage line on
// `err` for an unknown format.
int runStatusMode(const std::vector<std::string>& args, const std::filesystem::path& dataFolder,
                  std::ostream& out, std::ostream& err);
