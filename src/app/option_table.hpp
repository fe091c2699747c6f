#pragma once
// Every command-line option once: its name, whether it takes a value, the
// mode it chooses and its help line. The parser, --help and the man page all
// walk these tables, so none of them can name an option the others do not.
// No toolkit here: the man page is generated at build time from this file.

#include <span>
#include <string>
#include <string_view>
#include <vector>

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
  swapBundles,
  normal
};

enum class OptionGroup {
  mode,     // chooses what the process does; the first in table order wins
  command,  // refines --status or --history
  tray,     // the tray app's own
  toolkit,  // read by the toolkit (a session manager restarts apps with -session)
};

struct Option {
  std::string_view name;
  std::string_view alias;  // a short form; empty when there is none
  std::string_view value;  // the value's name in the usage text; empty for a switch
  OptionGroup group;
  Mode mode;              // what a mode option chooses; normal for the rest
  std::string_view help;  // one or more lines, joined by '\n'
};

// In the order modes win and --help lists them.
std::span<const Option> optionTable();

// The option named `arg` (or its short form); null when no option is.
const Option* findOption(std::string_view arg);

// A name and what it means, for the environment, the files and the exit
// statuses.
struct Entry {
  std::string_view name;
  std::string_view help;
};
std::span<const Entry> environmentTable();
std::span<const Entry> fileTable();
std::span<const Entry> exitStatusTable();

// What --help prints.
std::string usageText();

// The arguments that look like options and are none (a known option's value
// is not one, whatever it looks like), in the order given. The program path
// in args[0] never counts; neither does the updater's own --swap-bundles call.
std::vector<std::string> unknownOptions(const std::vector<std::string>& args);
