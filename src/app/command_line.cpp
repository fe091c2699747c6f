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

std::string preferredLanguage(const Store::EnvLookup& env) {
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

bool koreanFromCommandLine(const std::vector<std::string>& args, const Store::EnvLookup& env) {
  if (auto lang = valueAfter(args, "--lang")) return beginsWithKo(*lang);
  return beginsWithKo(preferredLanguage(env));
}

bool hasOption(const std::vector<std::string>& args, const std::string& option) {
  return args.size() > 1 && std::find(args.begin() + 1, args.end(), option) != args.end();
}

ModeChoice chooseMode(const std::vector<std::string>& args) {
  // The swap script's own call, exactly as it makes it; never a user's.
  if (args.size() == 4 && args[1] == "--swap-bundles") return {Mode::swapBundles, args[2]};
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

namespace {

// The value of `option` in a mode that takes it: absent when the option is
// not given, an error when it is given without a value or with one `named`
// does not know.
template <typename Value, typename Named>
std::optional<std::string> readValue(const std::vector<std::string>& args, const std::string& option,
                                     const char* expected, Named named, Value& value) {
  if (!hasOption(args, option)) return std::nullopt;
  const auto text = valueAfter(args, option);
  if (!text) return "quotalume: " + option + " needs a value; " + expected;
  const auto known = named(*text);
  if (!known) return "quotalume: unknown " + option + " \"" + *text + "\"; " + expected;
  value = *known;
  return std::nullopt;
}

}  // namespace

ParsedCommandLine parseCommandLine(const std::vector<std::string>& args, const Store::EnvLookup& env) {
  ParsedCommandLine parsed;
  CommandLine& line = parsed.line;
  line.choice = chooseMode(args);
  if (line.choice.mode == Mode::swapBundles) line.swapIncoming = args[3];
  line.korean = koreanFromCommandLine(args, env);
  line.launch = {.guide = !hasOption(args, "--no-guide"),
                 .updateChecks = !hasOption(args, "--no-update"),
                 .updateNow = hasOption(args, "--update-now")};
  if (line.choice.mode == Mode::status) {
    line.status.follow = hasOption(args, "--follow");
    parsed.error =
        readValue(args, "--format", "use waybar, json or text", statusFormatNamed, line.status.format);
  } else if (line.choice.mode == Mode::history) {
    parsed.error = readValue(args, "--format", "use csv or json", historyFormatNamed, line.history.format);
    if (!parsed.error) {
      double since = 0;
      parsed.error = readValue(args, "--since", "use a number and m, h or d, such as 7d", sinceSpan, since);
      if (!parsed.error && hasOption(args, "--since")) line.history.sinceSeconds = since;
    }
  }
  return parsed;
}

std::string_view usageText() {
  return R"(Usage: quotalume [OPTION]...
Shows an AI service's usage limits in the tray; a browser extension posts the
readings to 127.0.0.1:47615.

Modes (the first that applies runs):
  (no mode)                 the tray app; one copy runs per user
  --selftest                run the built-in self-check; the exit status is its result
  --status [--format F] [--follow]
                            print the numbers and exit; F is text (default), waybar or json;
                            with --follow, print them again at every change until the reader
                            goes away
  --history [--format F] [--since SPAN]
                            print the recorded usage and exit; F is csv (default) or json,
                            SPAN a number and m, h or d, such as 7d (default: everything)
  --render-guide PATH       draw the first-run guide into a PNG and exit
  --render-glyph PATH       draw five sample gauges into a PNG and exit
  --render-menu PATH        draw sample menus into a PNG and exit
  --render-history PATH     draw the usage history of a generated busy fortnight into a PNG and exit
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
  ~/.local/share/Quotalume/              last.json, history.jsonl, alerts.json, update.json,
                                         state.json
  ~/.local/state/Quotalume/Quotalume.log the log, rotated to Quotalume.log.1 at 1 MiB
  ~/.config/Quotalume/Quotalume.conf     settings: updateFeed, notifyNearLimits
  ~/.config/autostart/kr.co.fernhallow.Quotalume.desktop
                                         "Open at login"
)";
}
