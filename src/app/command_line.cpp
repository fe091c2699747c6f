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
