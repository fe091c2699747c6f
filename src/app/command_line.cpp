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
  for (const Option& option : optionTable()) {
    if (option.group != OptionGroup::mode) continue;
    const std::string name(option.name);
    if (!option.value.empty()) {
      if (auto path = valueAfter(args, name)) return {option.mode, *path};
    } else if (hasOption(args, name) ||
               (!option.alias.empty() && hasOption(args, std::string(option.alias)))) {
      return {option.mode, {}};
    }
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
  parsed.unknown = unknownOptions(args);
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
