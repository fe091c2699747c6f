#include "app/option_table.hpp"

#include <algorithm>
#include <array>

namespace {

using G = OptionGroup;

constexpr Option options[] = {
    {"--help", "-h", "", G::mode, Mode::help, "print the usage text and exit"},
    {"--version", "", "", G::mode, Mode::version, "print the version and exit"},
    {"--selftest", "", "", G::mode, Mode::selftest,
     "run the built-in self-check; the exit status is its result"},
    {"--status", "", "", G::mode, Mode::status, "print the numbers and exit (see --format and --follow)"},
    {"--history", "", "", G::mode, Mode::history,
     "print the recorded usage and exit (see --format and --since)"},
    {"--render-guide", "", "PATH", G::mode, Mode::renderGuide,
     "draw the first-run guide into a PNG and exit"},
    {"--render-glyph", "", "PATH", G::mode, Mode::renderGlyph, "draw five sample gauges into a PNG and exit"},
    {"--render-menu", "", "PATH", G::mode, Mode::renderMenu, "draw sample menus into a PNG and exit"},
    {"--render-history", "", "PATH", G::mode, Mode::renderHistory,
     "draw the usage history of a generated busy fortnight into a PNG and exit"},

    {"--format", "", "F", G::command, Mode::normal,
     "--status: text (default), waybar or json; --history: csv (default) or json"},
    {"--follow", "", "", G::command, Mode::normal,
     "--status: print the numbers again at every change until the reader goes away"},
    {"--since", "", "SPAN", G::command, Mode::normal,
     "--history: only the last SPAN, a number and m, h or d, such as 7d (default: everything)"},

    {"--lang", "", "VALUE", G::tray, Mode::normal,
     "Korean when VALUE begins with \"ko\", else English (default: LANGUAGE, LC_ALL, LC_MESSAGES, LANG)"},
    {"--no-guide", "", "", G::tray, Mode::normal, "do not open the first-run guide"},
    {"--no-update", "", "", G::tray, Mode::normal, "no automatic update checks"},
    {"--update-now", "", "", G::tray, Mode::normal,
     "check for an update at once and install it without asking"},

    {"-platform", "", "NAME", G::toolkit, Mode::normal, "the display platform: xcb, wayland or offscreen"},
    {"-platformtheme", "", "NAME", G::toolkit, Mode::normal, "the platform theme plugin"},
    {"-display", "", "DISPLAY", G::toolkit, Mode::normal, "the X display to use"},
    {"-session", "", "ID", G::toolkit, Mode::normal, "the session manager's id for this run"},
    {"-name", "", "NAME", G::toolkit, Mode::normal, "the application's X resource name"},
    {"-style", "", "NAME", G::toolkit, Mode::normal, "the widget style"},
    {"-reverse", "", "", G::toolkit, Mode::normal, "lay the interface out right to left"},
};

constexpr Entry environment[] = {
    {"QUOTALUME_DATA_DIR",
     "data folder; set (even empty), the log moves into it and, when not empty, state.json is written"},
    {"QUOTALUME_DEBUG_STATE", "\"1\" writes state.json after every change"},
    {"XDG_DATA_HOME, XDG_STATE_HOME, XDG_CONFIG_HOME, XDG_RUNTIME_DIR",
     "where the files below live when set"},
};

constexpr Entry files[] = {
    {"~/.local/share/Quotalume/", "last.json, history.jsonl, alerts.json, update.json, state.json"},
    {"~/.local/state/Quotalume/Quotalume.log", "the log, rotated to Quotalume.log.1 at 1 MiB"},
    {"~/.config/Quotalume/Quotalume.conf", "settings: updateFeed, notifyNearLimits"},
    {"~/.config/autostart/kr.co.fernhallow.Quotalume.desktop", "\"Open at login\""},
};

constexpr Entry exitStatuses[] = {
    {"0", "success; also a second start that handed over to the running copy"},
    {"1", "the self-check found a fault, or a picture could not be written"},
    {"2", "a value of --format or --since is missing or unknown"},
};

// The toolkit reads its options with one dash or two, and some with the
// value after "=".
bool namesToolkitOption(std::string_view arg, const Option& option) {
  if (arg.starts_with("--")) arg.remove_prefix(1);
  if (arg == option.name) return true;
  return !option.value.empty() && arg.starts_with(option.name) && arg.size() > option.name.size() &&
         arg[option.name.size()] == '=';
}

constexpr std::size_t helpColumn = 28;
constexpr std::size_t lineWidth = 79;

// The help column, wrapped at word boundaries to fit a terminal's width.
void appendRow(std::string& out, std::string_view left, std::string_view help) {
  std::string line = "  " + std::string(left);
  if (line.size() + 1 > helpColumn) {
    out += line + "\n";
    line.clear();
  }
  line.resize(helpColumn, ' ');
  std::size_t used = 0;  // help characters on the line so far
  while (!help.empty()) {
    const std::size_t space = help.find(' ');
    const std::string_view word = help.substr(0, space);
    if (used > 0 && helpColumn + used + 1 + word.size() > lineWidth) {
      out += line + "\n";
      line.assign(helpColumn, ' ');
      used = 0;
    }
    if (used > 0) {
      line += ' ';
      ++used;
    }
    line += word;
    used += word.size();
    help = space == std::string_view::npos ? std::string_view() : help.substr(space + 1);
  }
  out += line + "\n";
}

std::string optionLeft(const Option& option) {
  std::string left = option.alias.empty() ? "" : std::string(option.alias) + ", ";
  left += option.name;
  if (!option.value.empty()) left += " " + std::string(option.value);
  return left;
}

void appendGroup(std::string& out, const char* heading, OptionGroup group) {
  out += std::string("\n") + heading + "\n";
  for (const Option& option : options)
    if (option.group == group) appendRow(out, optionLeft(option), option.help);
}

}  // namespace

std::span<const Option> optionTable() {
  return options;
}

std::span<const Entry> environmentTable() {
  return environment;
}

std::span<const Entry> fileTable() {
  return files;
}

std::span<const Entry> exitStatusTable() {
  return exitStatuses;
}

const Option* findOption(std::string_view arg) {
  for (const Option& option : options) {
    if (option.group == OptionGroup::toolkit
            ? namesToolkitOption(arg, option)
            : arg == option.name || (!option.alias.empty() && arg == option.alias))
      return &option;
  }
  return nullptr;
}

std::string usageText() {
  std::string out =
      "Usage: quotalume [OPTION]...\n"
      "Shows an AI service's usage limits in the tray; a browser extension posts the\n"
      "readings to 127.0.0.1:47615. Without a mode the tray app starts; one copy runs\n"
      "per user.\n";
  appendGroup(out, "Modes (the first that applies runs):", OptionGroup::mode);
  appendGroup(out, "Options of --status and --history:", OptionGroup::command);
  appendGroup(out, "Options:", OptionGroup::tray);
  appendGroup(out, "Options read by the toolkit (Qt), with one dash or two:", OptionGroup::toolkit);
  out += "\nEnvironment:\n";
  for (const Entry& e : environment) appendRow(out, e.name, e.help);
  out += "\nFiles:\n";
  for (const Entry& e : files) appendRow(out, e.name, e.help);
  out += "\nExit status:\n";
  for (const Entry& e : exitStatuses) appendRow(out, e.name, e.help);
  return out;
}

std::vector<std::string> unknownOptions(const std::vector<std::string>& args) {
  std::vector<std::string> unknown;
  if (args.size() == 4 && args[1] == "--swap-bundles") return unknown;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const Option* option = findOption(arg);
    if (option) {
      // A value written after "=" is part of the argument itself.
      if (!option->value.empty() && arg.find('=') == std::string::npos) ++i;
    } else if (arg.size() > 1 && arg.starts_with('-')) {
      unknown.push_back(arg);
    }
  }
  return unknown;
}
