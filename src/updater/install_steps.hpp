#pragma once
// The part of an install that runs off the GUI thread: from the downloaded
// archive to a verified new bundle and a swap script beside it, ready to start.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <variant>

#include "updater/feed_document.hpp"
#include "updater/swap_script.hpp"

namespace Updater {

// swapScript (swap.sh) is run by /bin/sh with the installed bundle, the new
// bundle, the app's pid and the program that exchanges the two: it waits for
// the app to end (an exited app its launcher never reaps counts as ended),
// exchanges the bundles in one step (swapBundles), removes the work folder
// with whichever bundle it then holds, and starts whatever bundle is
// installed. When the exchange leaves no bundle in place, the old one goes
// back first, and a work folder still holding the only bundle is kept. A kill
// at any moment leaves one whole bundle in place, and at worst a work folder
// that the next launch sweeps.

// 64 lower-case hex digits.
std::string sha256Hex(std::string_view bytes);

inline constexpr std::string_view workFolderPrefix = ".Quotalume-update-";

// <folder>/.Quotalume-update-<new upper-case UUID>: hidden, and on the same
// file system as the bundle in that folder.
std::filesystem::path newWorkFolder(const std::filesystem::path& folder);

// Whether the path is a folder itself, not a link to one.
bool realFolder(const std::filesystem::path& p);

// Whether the current user may create and remove entries in the folder.
bool folderWritable(const std::filesystem::path& folder);

// Removes the tree, making its read-only folders writable first; never
// follows a symlink.
void removeTree(const std::filesystem::path& tree);

// The most an archive of this size may unpack to: a release, its libraries
// included, is some tens of megabytes and compresses perhaps threefold.
std::uintmax_t unpackLimit(std::uintmax_t archiveBytes);

struct Prepared {
  std::filesystem::path script;
  std::filesystem::path bundle;
};

// The reason the install stops, as the log names it.
struct InstallFailure {
  std::string reason;
  bool operator==(const InstallFailure&) const = default;
};

struct PrepareRequest {
  Entry entry;
  std::filesystem::path workFolder;  // holds the verified update.zip
  std::uintmax_t archiveBytes = 0;
  std::chrono::milliseconds versionRun{5000};
};

// Unpacks update.zip in the work folder, checks the new bundle's shape, that
// its binary is for this processor, its identity and version (asking the new
// binary itself), and writes the swap
// script. Each refusal carries its reason. `stop` is polled throughout; once
// it holds, the work ends soon with a refusal.
std::variant<InstallFailure, Prepared> prepareInstall(const PrepareRequest& request,
                                                      const std::function<bool()>& stop);

}  // namespace Updater
