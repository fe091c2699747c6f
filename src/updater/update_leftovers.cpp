#include "updater/update_leftovers.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <string>
#include <string_view>

#include "store/log.hpp"
#include "updater/bundle_info.hpp"
#include "updater/install.hpp"
#include "updater/install_steps.hpp"

namespace Updater {

namespace {

namespace fs = std::filesystem;

bool allOf(std::string_view s, int (*wanted)(int)) {
  return std::all_of(s.begin(), s.end(), [wanted](unsigned char c) { return wanted(c) != 0; });
}

// As newWorkFolder names them: an upper-case UUID after the prefix.
bool workFolderName(std::string_view name) {
  const std::string_view uuid = name.substr(std::min(name.size(), workFolderPrefix.size()));
  return name.starts_with(workFolderPrefix) && uuid.size() == 36 &&
         allOf(uuid, [](int c) { return int(std::isdigit(c) || (c >= 'A' && c <= 'F') || c == '-'); });
}

// <bundle>.old-<pid>, as earlier releases' swap scripts named the old bundle.
bool asideName(std::string_view name, const std::string& bundleName) {
  const std::string marker = bundleName + ".old-";
  const std::string_view pid = name.substr(std::min(name.size(), marker.size()));
  return name.starts_with(marker) && !pid.empty() && pid.size() <= 10 && allOf(pid, ::isdigit);
}

bool names(std::string_view argument, std::string_view folder) {
  return argument.starts_with(folder) && (argument.size() == folder.size() || argument[folder.size()] == '/');
}

bool someProcessNames(const fs::path& folder) {
  std::error_code ec;
  for (const auto& process : fs::directory_iterator("/proc", ec)) {
    if (!allOf(process.path().filename().string(), ::isdigit)) continue;
    std::ifstream in(process.path() / "cmdline", std::ios::binary);
    for (std::string argument; std::getline(in, argument, '\0');)
      if (names(argument, folder.native())) return true;
  }
  return false;
}

bool inUse(const fs::path& folder) {
  const std::string name = folder.filename().string();
  const std::size_t mark = name.rfind(".old-");
  std::error_code ec;
  if (mark != std::string::npos && fs::exists("/proc/" + name.substr(mark + 5), ec)) return true;
  return someProcessNames(folder);
}

}  // namespace

std::vector<fs::path> staleLeftovers(const fs::path& bundle, uid_t owner) {
  std::vector<fs::path> stale;
  const std::string bundleName = bundle.filename().string();
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(bundle.parent_path(), ec)) {
    const std::string name = entry.path().filename().string();
    if (!workFolderName(name) && !asideName(name, bundleName)) continue;
    // Another user's update in a shared folder, or a link to anything, is not ours to remove.
    struct stat st {};
    if (::lstat(entry.path().c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != owner) continue;
    if (!inUse(entry.path())) stale.push_back(entry.path());
  }
  std::sort(stale.begin(), stale.end());
  return stale;
}

void sweepLeftovers(const fs::path& executable) {
  const auto bundle = runningBundle(executable);
  if (!bundle) return;
  for (const fs::path& leftover : staleLeftovers(*bundle, ::geteuid())) {
    removeTree(leftover);
    log("update: removed the leftover " + leftover.string());
  }
}

}  // namespace Updater
