#pragma once
// What the command line asks for: the interface language and the mode.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/environment.hpp"

// args holds the program path first. Korean when "--lang" is followed by a
// value beginning with "ko"; without a usable "--lang", the user's first
// preferred language from LANGUAGE, LC_ALL, LC_MESSAGES, LANG decides.
bool koreanFromCommandLine(const std::vector<std::string>& args, const EnvLookup& env);

// The user's first preferred language, "" when none is set. "C" and "POSIX"
// come back as they are; they simply do not begin with "ko".
std::string preferredLanguage(const EnvLookup& env);

enum class Mode {
  help,
  version,
  selftest,
  status,
  history,
  renderGuide,
  renderGlyph,
  renderMenu,
  renderHistory,
  normal
};

struct ModeChoice {
  Mode mode = Mode::normal;
  std::string path;  // the rendering target, as typed
  bool operator==(const ModeChoice&) const = default;
};

ModeChoice chooseMode(const std::vector<std::string>& args);

// The value after the first occurrence of `option`; absent when the option is
// missing or is the last argument.
std::optional<std::string> valueAfter(const std::vector<std::string>& args, const std::string& option);

// True when the option occurs as a whole argument (program path excluded).
bool hasOption(const std::vector<std::string>& args, const std::string& option);

// What --help prints: the modes, the options, the environment variables and
// where the files live.
std::string_view usageText();
