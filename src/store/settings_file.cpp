#include "store/settings_file.hpp"

#include <system_error>
#include <vector>

#include "store/atomic_file.hpp"
#include "store/file_bytes.hpp"

namespace Settings {

namespace fs = std::filesystem;

namespace {

std::string_view trimmed(std::string_view s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

std::vector<std::string_view> linesOf(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const auto end = text.find('\n');
    lines.push_back(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

bool isComment(std::string_view line) {
  return line.starts_with(';') || line.starts_with('#');
}

// Keys before any section belong to [General] too; the section's name is
// matched without regard to case, as the INI writer of earlier versions did.
std::optional<bool> sectionIsGeneral(std::string_view line) {
  if (!line.starts_with('[') || !line.ends_with(']')) return std::nullopt;
  const std::string_view name = line.substr(1, line.size() - 2);
  if (name.size() != 7) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if ((name[i] | 0x20) != "general"[i]) return false;
  }
  return true;
}

std::optional<std::string_view> keyOf(std::string_view line) {
  const auto equals = line.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  return trimmed(line.substr(0, equals));
}

char escaped(char c) {
  switch (c) {
    case 'a':
      return '\a';
    case 'b':
      return '\b';
    case 'f':
      return '\f';
    case 'n':
      return '\n';
    case 'r':
      return '\r';
    case 't':
      return '\t';
    case 'v':
      return '\v';
    default:
      return c;
  }
}

// The INI writer quotes a value with special characters and escapes with a
// backslash; an unquoted comma made a list, which reads back joined.
std::string unescaped(std::string_view raw) {
  if (raw.starts_with("@String(") && raw.ends_with(')')) raw = raw.substr(8, raw.size() - 9);
  std::string value;
  bool quoted = false;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const char c = raw[i];
    if (c == '"') {
      quoted = !quoted;
    } else if (c == '\\' && i + 1 < raw.size()) {
      value += escaped(raw[++i]);
    } else if (!quoted && (c == ' ' || c == '\t') && value.empty()) {
      continue;
    } else {
      value += c;
    }
  }
  return value;
}

}  // namespace

fs::path fileFor(const Store::EnvLookup& env, const fs::path& home) {
  return Store::configHomeFor(env, home, "/") / "Quotalume" / "Quotalume.conf";
}

fs::path userFile() {
  const Store::EnvLookup env = Store::processEnvironment();
  return fileFor(env, Store::homeDirectory(env));
}

std::optional<std::string> valueIn(std::string_view text, std::string_view key) {
  std::optional<std::string> found;
  bool general = true;
  for (std::string_view line : linesOf(text)) {
    line = trimmed(line);
    if (line.empty() || isComment(line)) continue;
    if (const auto section = sectionIsGeneral(line)) {
      general = *section;
      continue;
    }
    if (!general) continue;
    if (const auto k = keyOf(line); k && *k == key)
      found = unescaped(trimmed(line.substr(line.find('=') + 1)));
  }
  return found;
}

std::string withValue(std::string_view text, std::string_view key, std::string_view value) {
  const std::string entry = std::string(key) + "=" + std::string(value);
  std::vector<std::string> out;
  bool general = true;
  bool sawGeneralHeader = false;
  bool done = false;
  // Where a new key goes: after the last line that belongs to [General].
  std::optional<std::size_t> generalEnd;
  for (std::string_view raw : linesOf(text)) {
    const std::string_view line = trimmed(raw);
    if (const auto section = sectionIsGeneral(line)) {
      general = *section;
      sawGeneralHeader = sawGeneralHeader || *section;
    } else if (general && !done && !line.empty() && !isComment(line) && keyOf(line) == key) {
      out.emplace_back(entry);
      done = true;
      continue;
    }
    out.emplace_back(raw);
    if (general && !line.empty()) generalEnd = out.size();
  }
  if (!done) {
    if (generalEnd && (sawGeneralHeader || *generalEnd > 0)) {
      out.insert(out.begin() + std::ptrdiff_t(*generalEnd), entry);
    } else {
      out.insert(out.begin(), {"[General]", entry});
      if (out.size() > 2 && !trimmed(out[2]).empty()) out.insert(out.begin() + 2, "");
    }
  }
  std::string result;
  for (const std::string& line : out) result += line + "\n";
  return result;
}

std::optional<std::string> read(const fs::path& file, std::string_view key) {
  const auto text = Store::readFile(file, maxBytes, Store::Links::follow);
  if (!text) return std::nullopt;
  return valueIn(*text, key);
}

std::optional<std::string> write(const fs::path& file, std::string_view key, std::string_view value) {
  std::error_code ec;
  const fs::file_status status = fs::status(file, ec);
  std::string text;
  if (fs::exists(status)) {
    const auto current = Store::readFile(file, maxBytes, Store::Links::follow);
    if (!current) return file.string() + " is not a settings file this app can read";
    text = *current;
  }
  // The rename replaces the link's target, so the user's link stays a link.
  fs::path target = file;
  if (fs::is_symlink(fs::symlink_status(file, ec))) {
    const fs::path resolved = fs::weakly_canonical(file, ec);
    if (ec) return "cannot follow the link at " + file.string();
    target = resolved;
  }
  if (!Store::writeAtomically(target, withValue(text, key, value))) return "cannot write " + target.string();
  return std::nullopt;
}

bool notifyNearLimits(const fs::path& file) {
  const auto value = read(file, "notifyNearLimits");
  if (!value) return true;
  // As a Qt boolean reads: empty, "0" and "false" in any case are off.
  std::string lower;
  for (char c : *value) lower += char(c >= 'A' && c <= 'Z' ? c | 0x20 : c);
  return !(lower.empty() || lower == "0" || lower == "false");
}

std::optional<std::string> saveNotifyNearLimits(const fs::path& file, bool on) {
  return write(file, "notifyNearLimits", on ? "true" : "false");
}

}  // namespace Settings
