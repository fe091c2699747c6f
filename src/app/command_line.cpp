#include "app/command_line.hpp"

#include <algorithm>
#include <optional>

std::optional<std::string> valueAfter(const std::vector<std::string>& args, const std::string& option) {
  if (args.size() < 2) return std::nullopt;
  auto it = std::find(args.begin() + 1, args.end(), option);
  if (it == args.end() || it + 1 == args.end()) return std::nullopt;
  return *(it + 1);
}

namespace {

bool beginsWithKo(const std::string& s) {
  return s.starts_with("ko");
}

}  // namespace

std::string preferredLanguage(const EnvLookup& env) {
  // LANGUAGE is a priority list; its first non-empty entry is the user's first choice.
  if (auto list = env("LANGUAGE")) {
    std::size_t start = 0;
    while (start <= list->size()) {
      std::size_t end = list->find(':', start);
      if (end == std::string::npos) end = list->size();
      if (end > start) return list->substr(start, end - start);
      start = end + 1;
    }
  }
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    if (auto value = env(name); value && !value->empty()) return *value;
  }
  return {};
}

bool koreanFromCommandLine(const std::vector<std::string>& args, const EnvLookup& env) {
  if (auto lang = valueAfter(args, "--lang")) return beginsWithKo(*lang);
  return beginsWithKo(preferredLanguage(env));
}

bool hasOption(const std::vector<std::string>& args, const std::string& option) {
  return args.size() > 1 && std::find(args.begin() + 1, args.end(), option) != args.end();
}

ModeChoice chooseMode(const std::vector<std::string>& args) {
  if (hasOption(args, "--help") || hasOption(args, "-h")) return {Mode::help, {}};
  if (hasOption(args, "--version")) return {Mode::version, {}};
  if (hasOption(args, "--selftest")) return {Mode::selftest, {}};
  if (hasOption(args, "--status")) return {Mode::status, {}};
  if (hasOption(args, "--history")) return {Mode::history, {}};
  const std::pair<const char*, Mode> renders[] = {
      {"--render-guide", Mode::renderGuide},
      {"--render-glyph", Mode::renderGlyph},
      {"--render-menu", Mode::renderMenu},
      {"--render-history", Mode::renderHistory},
  };
  for (const auto& [option, mode] : renders) {
    if (auto path = valueAfter(args, option)) return {mode, *path};
  }
  return {Mode::normal, {}};
}

std::string_view usageText() {
  return R"(Usage: quotalume [OPTION]...
Shows an AI service's usage limits in the tray; a browser extension posts the
readings to 127.0.0.1:47615.

Modes (the first that applies runs):
  (no mode)                 the tray app; one copy runs per user
  --selftest                run the built-in self-check; the exit status is its result
  --status [--format F]     print the numbers and exit; F is text (default), waybar or json
  --render-guide PATH       draw the first-run guide into a PNG and exit
  --render-glyph PATH       draw five sample gauges into a PNG and exit
  --render-menu PATH        draw sample menus into a PNG and exit
  -h, --help                print this text and exit
  --version                 print the version and exit

Options:
  --lang VALUE              Korean when VALUE begins with "ko", else English
                            (default: LANGUAGE, LC_ALL, LC_MESSAGES, LANG)
  --no-guide                do not open the first-run guide
  --no-update               no automatic update checks
  --update-now              check for an update at once and install it without asking

Environment:
  QUOTALUME_DATA_DIR        data folder; set (even empty), the log moves into it
                            and, when not empty, state.json is written
  QUOTALUME_DEBUG_STATE     "1" writes state.json after every change
  XDG_DATA_HOME, XDG_STATE_HOME, XDG_CONFIG_HOME, XDG_RUNTIME_DIR
                            where the files below live when set

Files:
  ~/.local/share/Quotalume/              last.json, alerts.json, update.json, state.json
  ~/.local/state/Quotalume/Quotalume.log the log, rotated to Quotalume.log.1 at 1 MiB
  ~/.config/Quotalume/Quotalume.conf     settings: updateFeed, notifyNearLimits
  ~/.config/autostart/kr.co.fernhallow.Quotalume.desktop
                                         "Open at login"
)";
}
