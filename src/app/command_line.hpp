#pragma once
// What the command line asks for, read once at start: the interface
// language, the mode and each mode's options.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/option_table.hpp"
#include "commands/history_mode.hpp"
#include "commands/status_mode.hpp"
#include "controller/launch_options.hpp"
#include "store/paths.hpp"

// args holds the program path first. Korean when "--lang" is followed by a
// value beginning with "ko"; without a usable "--lang", the user's first
// preferred language from LANGUAGE, LC_ALL, LC_MESSAGES, LANG decides.
bool koreanFromCommandLine(const std::vector<std::string>& args, const Store::EnvLookup& env);

// The user's first preferred language, "" when none is set. "C" and "POSIX"
// come back as they are; they simply do not begin with "ko".
std::string preferredLanguage(const Store::EnvLookup& env);

struct ModeChoice {
  Mode mode = Mode::normal;
  std::string path;  // the rendering target, as typed; the installed bundle to swap
  bool operator==(const ModeChoice&) const = default;
};

ModeChoice chooseMode(const std::vector<std::string>& args);

struct CommandLine {
  ModeChoice choice;
  std::string swapIncoming;  // --swap-bundles: the new bundle
  bool korean = false;
  LaunchOptions launch;    // the tray run's
  StatusOptions status;    // --status's
  HistoryOptions history;  // --history's
  bool operator==(const CommandLine&) const = default;
};

// The whole command line, or the one-line reason it cannot run (the process
// then exits 2): an unknown or missing --format or --since value of the mode
// that takes it.
struct ParsedCommandLine {
  CommandLine line;
  std::optional<std::string> error;
  // Options no table row names. They are ignored, as desktop launchers and
  // old autostart entries may pass them, but named on stderr.
  std::vector<std::string> unknown;
};

ParsedCommandLine parseCommandLine(const std::vector<std::string>& args, const Store::EnvLookup& env);

// The value after the first occurrence of `option`; absent when the option is
// missing or is the last argument.
std::optional<std::string> valueAfter(const std::vector<std::string>& args, const std::string& option);

// True when the option occurs as a whole argument (program path excluded).
bool hasOption(const std::vector<std::string>& args, const std::string& option);
