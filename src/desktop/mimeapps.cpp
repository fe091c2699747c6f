#include "desktop/mimeapps.hpp"

#include <algorithm>
#include <cctype>

namespace {

std::string_view trim(std::string_view s) {
  auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!s.empty() && space(s.front())) s.remove_prefix(1);
  while (!s.empty() && space(s.back())) s.remove_suffix(1);
  return s;
}

std::vector<std::string_view> split(std::string_view s, char sep) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (true) {
    std::size_t end = s.find(sep, start);
    parts.push_back(s.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return parts;
}

// Relative paths in these variables are invalid and must be ignored.
std::optional<std::filesystem::path> absoluteVar(const Store::EnvLookup& env, const char* name) {
  auto value = env(name);
  if (!value || value->empty() || value->front() != '/') return std::nullopt;
  return std::filesystem::path(*value);
}

std::vector<std::filesystem::path> absoluteList(const Store::EnvLookup& env, const char* name,
                                                std::string_view fallback) {
  auto value = env(name);
  std::string list = value && !value->empty() ? *value : std::string(fallback);
  std::vector<std::filesystem::path> dirs;
  for (auto part : split(list, ':')) {
    if (!part.empty() && part.front() == '/') dirs.emplace_back(part);
  }
  return dirs;
}

std::optional<std::filesystem::path> homeBased(const Store::EnvLookup& env, const char* name,
                                               const char* under) {
  if (auto dir = absoluteVar(env, name)) return dir;
  auto home = env("HOME");
  if (!home || home->empty()) return std::nullopt;
  return std::filesystem::path(*home) / under;
}

}  // namespace

std::vector<std::filesystem::path> mimeappsFiles(const Store::EnvLookup& env) {
  std::vector<std::string> names;
  if (auto desktops = env("XDG_CURRENT_DESKTOP")) {
    for (auto desktop : split(*desktops, ':')) {
      if (desktop.empty()) continue;
      std::string lower(desktop);
      std::transform(lower.begin(), lower.end(), lower.begin(),
                     [](unsigned char c) { return std::tolower(c); });
      names.push_back(lower + "-mimeapps.list");
    }
  }
  names.push_back("mimeapps.list");

  std::vector<std::filesystem::path> dirs;
  if (auto dir = homeBased(env, "XDG_CONFIG_HOME", ".config")) dirs.push_back(*dir);
  for (auto& dir : absoluteList(env, "XDG_CONFIG_DIRS", "/etc/xdg")) dirs.push_back(dir);
  if (auto dir = homeBased(env, "XDG_DATA_HOME", ".local/share")) dirs.push_back(*dir / "applications");
  for (auto& dir : absoluteList(env, "XDG_DATA_DIRS", "/usr/local/share:/usr/share")) {
    dirs.push_back(dir / "applications");
  }

  std::vector<std::filesystem::path> files;
  for (auto& dir : dirs) {
    for (auto& name : names) files.push_back(dir / name);
  }
  return files;
}

std::optional<std::string> defaultHandlerIn(std::string_view contents, std::string_view mimeType) {
  bool inDefaults = false;
  for (auto rawLine : split(contents, '\n')) {
    auto line = trim(rawLine);
    if (line.empty() || line.front() == '#') continue;
    if (line.front() == '[') {
      inDefaults = line == "[Default Applications]";
      continue;
    }
    if (!inDefaults) continue;
    auto eq = line.find('=');
    if (eq == std::string_view::npos || trim(line.substr(0, eq)) != mimeType) continue;
    for (auto id : split(line.substr(eq + 1), ';')) {
      id = trim(id);
      if (!id.empty()) return std::string(id);
    }
  }
  return std::nullopt;
}

std::optional<std::string> defaultHandler(const Store::EnvLookup& env, const FileReader& read,
                                          std::string_view mimeType) {
  for (const auto& file : mimeappsFiles(env)) {
    auto contents = read(file);
    if (!contents) continue;
    if (auto id = defaultHandlerIn(*contents, mimeType)) return id;
  }
  return std::nullopt;
}
