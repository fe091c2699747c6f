#include "app/login_item.hpp"

#include <fstream>
#include <sstream>
#include <system_error>

#include "app/app_identity.hpp"
#include "store/atomic_file.hpp"

namespace {

// An autostart entry is a few hundred bytes; a huge file is not ours to parse.
constexpr std::streamsize maxEntryBytes = 64 * 1024;

std::string_view trimmed(std::string_view s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

// Exec values are split like a shell would, so a path with spaces or quotes
// must be quoted, and '%' starts a field code unless doubled.
std::string quotedExec(const std::string& program) {
  std::string out = "\"";
  for (char c : program) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') out += '\\';
    if (c == '%') out += '%';
    out += c;
  }
  return out + "\"";
}

}  // namespace

std::filesystem::path autostartEntryPath(const EnvLookup& env, const std::filesystem::path& home) {
  std::filesystem::path config;
  if (auto xdg = env("XDG_CONFIG_HOME"); xdg && std::filesystem::path(*xdg).is_absolute())
    config = *xdg;
  else
    config = home / ".config";
  return config / "autostart" / (std::string(bundleID) + ".desktop");
}

bool autostartEntryEnabled(std::string_view text) {
  bool inEntry = false;
  bool sawEntry = false;
  bool enabled = true;
  std::size_t start = 0;
  while (start <= text.size()) {
    auto end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = trimmed(text.substr(start, end - start));
    start = end + 1;
    if (line.empty() || line.front() == '#') continue;
    if (line.front() == '[') {
      inEntry = line == "[Desktop Entry]";
      sawEntry = sawEntry || inEntry;
      continue;
    }
    if (!inEntry) continue;
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    const std::string_view key = trimmed(line.substr(0, eq));
    const std::string_view value = trimmed(line.substr(eq + 1));
    if (key == "Hidden" && value == "true") enabled = false;
    if (key == "X-GNOME-Autostart-enabled" && value == "false") enabled = false;
  }
  return sawEntry && enabled;
}

std::string autostartEntryText(const std::string& executable) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Quotalume\n"
         "Comment=Usage limits in the tray\n"
         "Exec=" +
         quotedExec(executable) +
         "\n"
         "Icon=" +
         std::string(bundleID) +
         "\n"
         "Terminal=false\n"
         "X-GNOME-Autostart-enabled=true\n";
}

LoginItem::LoginItem(std::filesystem::path entry, std::string executable)
    : entry_(std::move(entry)), executable_(std::move(executable)) {}

bool LoginItem::enabled() const {
  std::ifstream in(entry_, std::ios::binary);
  if (!in) return false;
  std::string text(static_cast<std::size_t>(maxEntryBytes), '\0');
  in.read(text.data(), maxEntryBytes);
  text.resize(static_cast<std::size_t>(in.gcount()));
  return autostartEntryEnabled(text);
}

std::optional<std::string> LoginItem::enable() const {
  std::error_code error;
  std::filesystem::create_directories(entry_.parent_path(), error);
  if (error) return error.message();
  if (!Store::writeAtomically(entry_, autostartEntryText(executable_)))
    return "could not write " + entry_.string();
  return std::nullopt;
}

std::optional<std::string> LoginItem::disable() const {
  std::error_code error;
  std::filesystem::remove(entry_, error);
  if (error) return error.message();
  return std::nullopt;
}
