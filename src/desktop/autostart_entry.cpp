#include "desktop/autostart_entry.hpp"

#include <unistd.h>

#include <cstdlib>
#include <system_error>

#include "build_config.hpp"
#include "desktop/desktop_entry.hpp"
#include "store/atomic_file.hpp"
#include "store/file_bytes.hpp"

namespace {

// An autostart entry is a few hundred bytes; a huge file is not ours to parse.
constexpr std::uintmax_t maxEntryBytes = 64 * 1024;

}  // namespace

std::filesystem::path autostartEntryPath(const Store::EnvLookup& env, const std::filesystem::path& home) {
  return Store::configHomeFor(env, home, "/") / "autostart" / (std::string(appId) + ".desktop");
}

bool autostartEntryEnabled(std::string_view text, const std::function<bool(const std::string&)>& runs) {
  const auto keys = desktopEntryKeys(text);
  if (!keys) return false;
  const auto value = [&](std::string_view key) {
    const auto it = keys->find(key);
    return it == keys->end() ? std::string() : it->second;
  };
  if (value("Type") != "Application" || value("Name").empty()) return false;
  const auto program = execProgram(value("Exec"));
  if (!program || !runs(*program)) return false;
  return value("Hidden") != "true" && value("X-GNOME-Autostart-enabled") != "false";
}

bool programRuns(const std::string& program) {
  const auto executable = [](const std::filesystem::path& file) {
    std::error_code ec;
    return std::filesystem::is_regular_file(file, ec) && ::access(file.c_str(), X_OK) == 0;
  };
  if (program.find('/') != std::string::npos) return executable(program);
  const char* path = std::getenv("PATH");
  std::string_view dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
  while (!dirs.empty()) {
    const auto colon = dirs.find(':');
    const std::string_view dir = dirs.substr(0, colon);
    if (!dir.empty() && executable(std::filesystem::path(dir) / program)) return true;
    dirs = colon == std::string_view::npos ? std::string_view() : dirs.substr(colon + 1);
  }
  return false;
}

std::optional<std::string> autostartEntryText(const std::string& executable) {
  const auto exec = execValueFor(executable);
  if (!exec) return std::nullopt;
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Quotalume\n"
         "Comment=Usage limits in the tray\n"
         "Exec=" +
         *exec +
         "\n"
         "Icon=" +
         std::string(appId) +
         "\n"
         "Terminal=false\n"
         "X-GNOME-Autostart-enabled=true\n";
}

AutostartEntry::AutostartEntry(std::filesystem::path entry, std::string executable)
    : entry_(std::move(entry)), executable_(std::move(executable)) {}

bool AutostartEntry::enabled() const {
  // Read on every menu open: a pipe at the path must not hang the app.
  const auto text = Store::readFile(entry_, maxEntryBytes);
  return text && autostartEntryEnabled(*text, programRuns);
}

std::optional<std::string> AutostartEntry::enable() const {
  std::error_code error;
  std::filesystem::create_directories(entry_.parent_path(), error);
  if (error) return error.message();
  const auto text = autostartEntryText(executable_);
  // A line feed in the path would start a line of its own, a planted command.
  if (!text) return "the program's path cannot be written into an autostart entry: " + executable_;
  if (!Store::writeAtomically(entry_, *text)) return "could not write " + entry_.string();
  return std::nullopt;
}

std::optional<std::string> AutostartEntry::disable() const {
  std::error_code error;
  std::filesystem::remove(entry_, error);
  if (error) return error.message();
  return std::nullopt;
}
