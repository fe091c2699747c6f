#include "desktop/bundle_desktop_entry.hpp"

#include <algorithm>

#include "build_config.hpp"
#include "desktop/desktop_entry.hpp"
#include "store/atomic_file.hpp"
#include "store/file_bytes.hpp"
#include "store/log.hpp"
#include "store/paths.hpp"
#include "updater/bundle_info.hpp"

namespace {

namespace fs = std::filesystem;

// An entry is a few hundred bytes and the icon a few KiB; anything near
// this is not ours.
constexpr std::uintmax_t maxFileBytes = 1 << 20;

bool writeIfChanged(const fs::path& file, const std::string& bytes) {
  if (Store::readFile(file, maxFileBytes) == bytes) return true;
  return Store::writeAtomically(file, bytes);
}

}  // namespace

BundleDesktopFiles bundleDesktopFiles(const fs::path& dataHome) {
  return {dataHome / "applications" / (std::string(appId) + ".desktop"),
          dataHome / "icons/hicolor/scalable/apps" / (std::string(appId) + ".svg")};
}

std::optional<std::string> bundleEntryText(std::string_view shipped, const std::string& executable) {
  const auto exec = execValueFor(executable);
  if (!exec) return std::nullopt;
  std::string text;
  bool inEntry = false;
  for (std::size_t start = 0; start < shipped.size();) {
    const auto end = std::min(shipped.find('\n', start), shipped.size());
    const std::string_view line = shipped.substr(start, end - start);
    start = end + 1;
    if (line.starts_with('[')) inEntry = line == "[Desktop Entry]";
    text += inEntry && line.starts_with("Exec=") ? "Exec=" + *exec : std::string(line);
    text += '\n';
  }
  // Read back as a desktop would: an Exec written some other way than the
  // line replaced above would still start the old program.
  const auto keys = desktopEntryKeys(text);
  if (!keys) return std::nullopt;
  const auto written = keys->find("Exec");
  if (written == keys->end() || written->second != *exec) return std::nullopt;
  return text;
}

std::optional<std::string> refreshBundleDesktopFiles(const fs::path& bundle,
                                                     const BundleDesktopFiles& files) {
  // The bundle's share/ is laid out as a data folder, so it holds the two
  // files at the places they are copied to.
  const BundleDesktopFiles inBundle = bundleDesktopFiles(bundle / "share");
  const auto shipped = Store::readFile(inBundle.entry, maxFileBytes);
  const auto icon = Store::readFile(inBundle.icon, maxFileBytes);
  if (!shipped || !icon) return "the bundle lacks its desktop entry or icon";
  const auto entry = bundleEntryText(*shipped, (bundle / "bin" / "quotalume").string());
  if (!entry) return "the bundle's path cannot be written into a desktop entry: " + bundle.string();
  // The icon first: a desktop that sees the new entry finds its icon.
  if (!writeIfChanged(files.icon, *icon)) return "could not write " + files.icon.string();
  if (!writeIfChanged(files.entry, *entry)) return "could not write " + files.entry.string();
  return std::nullopt;
}

bool removeOrphanedDesktopFiles(const BundleDesktopFiles& files) {
  const auto text = Store::readFile(files.entry, maxFileBytes);
  const auto keys = text ? desktopEntryKeys(*text) : std::nullopt;
  const auto exec = keys ? keys->find("Exec") : DesktopEntryKeys::const_iterator();
  if (!keys || exec == keys->end()) return false;
  // A bare name is looked up on PATH, where an installed copy may well be.
  const auto program = execProgram(exec->second);
  std::error_code ec;
  if (!program || !program->starts_with('/') || fs::exists(fs::symlink_status(*program, ec))) return false;
  fs::remove(files.entry, ec);
  if (ec) return false;
  fs::remove(files.icon, ec);
  return true;
}

void refreshDesktopFiles(const fs::path& executable, const BundleDesktopFiles& files) {
  if (const auto bundle = Updater::runningBundle(executable)) {
    if (const auto failure = refreshBundleDesktopFiles(*bundle, files))
      log("desktop entry not written: " + *failure);
  } else if (removeOrphanedDesktopFiles(files)) {
    log("desktop entry removed: " + files.entry.string() + " started a program that is gone");
  }
}

void refreshDesktopFilesOfRunningBundle(const fs::path& executable) {
  const Store::EnvLookup env = Store::processEnvironment();
  std::error_code ec;
  const fs::path dataHome = Store::dataHomeFor(env, Store::homeDirectory(env), fs::current_path(ec));
  refreshDesktopFiles(executable, bundleDesktopFiles(dataHome));
}
