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

namespace Updater {

// Run by /bin/sh with the installed bundle, the new bundle and the app's pid:
// waits for the app to end (an exited app its launcher never reaps counts as
// ended), swaps the bundles keeping the old one until the new one is in place
// (and putting it back if that move fails), removes the work folder, then
// starts whatever bundle is installed. The new bundle is unpacked beside the
// installed one, so both moves are renames that a kill cannot leave half
// done. A release may carry read-only folders, which rm -rf cannot empty.
inline constexpr std::string_view swapScript =
    "#!/bin/sh\n"
    "target=\"$1\"; new=\"$2\"; pid=\"$3\"\n"
    "while kill -0 \"$pid\" 2>/dev/null && [ \"$(sed 's/.*) //;s/ .*//' \"/proc/$pid/stat\" 2>/dev/null)\" "
    "!= Z ]; "
    "do sleep 0.2; done\n"
    "aside=\"$target.old-$$\"\n"
    "if mv \"$target\" \"$aside\"; then\n"
    "  if mv \"$new\" \"$target\"; then\n"
    "    chmod -R u+w \"$aside\" 2>/dev/null; rm -rf \"$aside\"\n"
    "  else\n"
    "    chmod -R u+w \"$target\" 2>/dev/null; rm -rf \"$target\"\n"
    "    mv \"$aside\" \"$target\"\n"
    "  fi\n"
    "fi\n"
    "chmod -R u+w \"${new%/*}\" 2>/dev/null; rm -rf \"${new%/*}\"\n"
    "exec setsid \"$target/bin/quotalume\" </dev/null >/dev/null 2>&1\n";

// 64 lower-case hex digits.
std::string sha256Hex(std::string_view bytes);

// <folder>/.Quotalume-update-<new upper-case UUID>: hidden, and on the same
// file system as the bundle in that folder.
std::filesystem::path newWorkFolder(const std::filesystem::path& folder);

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

// Unpacks update.zip in the work folder, checks the new bundle's shape,
// identity and version (asking the new binary itself), and writes the swap
// script. Each refusal carries its reason. `stop` is polled throughout; once
// it holds, the work ends soon with a refusal.
std::variant<InstallFailure, Prepared> prepareInstall(const PrepareRequest& request,
                                                      const std::function<bool()>& stop);

}  // namespace Updater
