#include "desktop/desktop_entry.hpp"

#include <algorithm>
#include <utility>

#include "readings/valid_utf8.hpp"

namespace {

// The Exec words that start the program named after them through the shell.
constexpr std::string_view shellStart = R"(/bin/sh -c "exec \"\$0\"")";

bool isControl(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u < 0x20 || u == 0x7F;
}

std::string_view trimmed(std::string_view s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

// The first level: what a string value means once its escapes are undone.
std::optional<std::string> unescapedString(std::string_view value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\') {
      out += value[i];
      continue;
    }
    if (++i == value.size()) return std::nullopt;
    switch (value[i]) {
      case '\\':
        out += '\\';
        break;
      case 's':
        out += ' ';
        break;
      case 'n':
        out += '\n';
        break;
      case 't':
        out += '\t';
        break;
      case 'r':
        out += '\r';
        break;
      default:
        return std::nullopt;
    }
  }
  return out;
}

// Field codes a desktop knows; any other letter after '%' makes the entry invalid.
bool fieldCodesValid(std::string_view command) {
  constexpr std::string_view known = "fFuUdDnNickvm%";
  for (std::size_t i = 0; i < command.size(); ++i) {
    if (command[i] != '%') continue;
    if (++i == command.size() || known.find(command[i]) == std::string_view::npos) return false;
  }
  return true;
}

// The second level: the command line split as a shell would, without
// expansions. Inside double quotes a backslash escapes only " ` $ \ and a
// line feed.
std::optional<std::vector<std::string>> shellWords(std::string_view command) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  for (std::size_t i = 0; i < command.size(); ++i) {
    const char c = command[i];
    if (c == ' ' || c == '\t' || c == '\n') {
      if (inWord) words.push_back(std::exchange(word, {}));
      inWord = false;
      continue;
    }
    inWord = true;
    if (c == '\'') {
      const auto close = command.find('\'', i + 1);
      if (close == std::string_view::npos) return std::nullopt;
      word += command.substr(i + 1, close - i - 1);
      i = close;
    } else if (c == '"') {
      for (++i;; ++i) {
        if (i >= command.size()) return std::nullopt;
        if (command[i] == '"') break;
        if (command[i] == '\\' && i + 1 < command.size() &&
            std::string_view("\"`$\\\n").find(command[i + 1]) != std::string_view::npos) {
          if (command[++i] != '\n') word += command[i];
          continue;
        }
        word += command[i];
      }
    } else if (c == '\\') {
      if (++i == command.size()) return std::nullopt;
      if (command[i] != '\n') word += command[i];
    } else {
      word += c;
    }
  }
  if (inWord) words.push_back(std::move(word));
  if (words.empty()) return std::nullopt;
  return words;
}

}  // namespace

std::optional<std::string> execValueFor(const std::string& program) {
  if (program.empty() || !validUTF8(program) || std::ranges::any_of(program, isControl)) return std::nullopt;
  std::string quoted = "\"";
  for (char c : program) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    quoted += c == '%' ? "%%" : std::string(1, c);
  }
  quoted += '"';
  // A desktop looks for the program under its literal name, before "%%"
  // becomes "%", so such a path cannot come first. The shell starts it as
  // given; env would take a path holding '=' for a variable to set.
  if (program.find('%') != std::string::npos) quoted = std::string(shellStart) + " " + quoted;
  std::string value;
  for (char c : quoted) value += c == '\\' ? "\\\\" : std::string(1, c);
  return value;
}

std::optional<std::string> execProgram(std::string_view value) {
  auto args = execArguments(value);
  if (!args) return std::nullopt;
  if (args->size() != 4 || (*args)[0] != "/bin/sh" || (*args)[1] != "-c" || (*args)[2] != "exec \"$0\"")
    return std::move(args->front());
  std::string program;
  for (std::size_t i = 0; i < (*args)[3].size(); ++i) {
    program += (*args)[3][i];
    if ((*args)[3][i] == '%') ++i;  // "%%", the one field code left in a path
  }
  return program;
}

std::optional<DesktopEntryKeys> desktopEntryKeys(std::string_view text) {
  if (!validUTF8(text)) return std::nullopt;
  if (std::ranges::any_of(text, [](char c) { return isControl(c) && c != '\n' && c != '\r' && c != '\t'; }))
    return std::nullopt;
  DesktopEntryKeys keys;
  bool sawGroup = false, inEntry = false, sawEntry = false;
  std::size_t start = 0;
  while (start <= text.size()) {
    auto end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = trimmed(text.substr(start, end - start));
    start = end + 1;
    if (line.empty() || line.front() == '#') continue;
    if (line.front() == '[') {
      if (line.back() != ']') return std::nullopt;
      inEntry = line == "[Desktop Entry]";
      if ((!sawGroup && !inEntry) || (inEntry && sawEntry)) return std::nullopt;
      sawGroup = true;
      sawEntry = sawEntry || inEntry;
      continue;
    }
    const auto eq = line.find('=');
    if (!sawGroup || eq == std::string_view::npos) return std::nullopt;
    const std::string_view key = trimmed(line.substr(0, eq));
    if (key.empty()) return std::nullopt;
    if (inEntry && !keys.emplace(key, trimmed(line.substr(eq + 1))).second) return std::nullopt;
  }
  if (!sawEntry) return std::nullopt;
  return keys;
}

std::optional<std::vector<std::string>> execArguments(std::string_view value) {
  const auto command = unescapedString(value);
  if (!command || !fieldCodesValid(*command)) return std::nullopt;
  return shellWords(*command);
}
