#include "updater/update_leftovers.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

#include "store/file_bytes.hpp"
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
  if (!name.starts_with(workFolderPrefix)) return false;
  const std::string_view uuid = name.substr(workFolderPrefix.size());
  if (uuid.size() != 36) return false;
  for (std::size_t i = 0; i < uuid.size(); ++i) {
    const char c = uuid[i];
    const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    if (dash ? c != '-' : !(std::isdigit(static_cast<unsigned char>(c)) || (c >= 'A' && c <= 'F')))
      return false;
  }
  return true;
}

// <bundle>.old-<pid>, as earlier releases' swap scripts named the old bundle:
// a pid is at most 4194303 (the kernel's limit) and has no leading zero, so a
// dated backup such as Quotalume.app.old-20240101 is the user's own.
bool asideName(std::string_view name, const std::string& bundleName) {
  const std::string marker = bundleName + ".old-";
  if (!name.starts_with(marker)) return false;
  const std::string_view pid = name.substr(marker.size());
  return !pid.empty() && pid.size() <= 7 && pid.front() != '0' && allOf(pid, ::isdigit) &&
         std::stoul(std::string(pid)) < 4194304;
}

bool under(const fs::path& p, const fs::path& folder) {
  const std::string_view path = p.native(), top = folder.native();
  return path.starts_with(top) && (path.size() == top.size() || path[top.size()] == '/');
}

// Whether the process's arguments name the folder or a path in it (a swap
// script and its exchange do), or its working folder, root, program or an
// open file lies in it.
bool processUses(const fs::path& process, const fs::path& folder) {
  std::error_code ec;
  for (const char* link : {"cwd", "root", "exe"})
    if (under(fs::read_symlink(process / link, ec), folder)) return true;
  for (const auto& fd : fs::directory_iterator(process / "fd", ec))
    if (std::error_code gone; under(fs::read_symlink(fd.path(), gone), folder)) return true;
  // The kernel keeps at most a few megabytes of arguments; more is not read.
  std::string args = Store::readProcFile(process / "cmdline", 4u << 20);
  for (std::size_t start = 0; start < args.size();) {
    const std::size_t end = std::min(args.find('\0', start), args.size());
    if (under(args.substr(start, end - start), folder)) return true;
    start = end + 1;
  }
  return false;
}

bool inUse(const fs::path& folder) {
  const std::string name = folder.filename().string();
  const std::size_t mark = name.rfind(".old-");
  std::error_code ec;
  if (mark != std::string::npos && fs::exists("/proc/" + name.substr(mark + 5), ec)) return true;
  for (const auto& process : fs::directory_iterator("/proc", ec))
    if (allOf(process.path().filename().string(), ::isdigit) && processUses(process.path(), folder))
      return true;
  return false;
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
