#pragma once
// The part of an install that runs off the GUI thread: from the downloaded
// bytes to a verified new bundle and a swap script beside it, ready to start.

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <variant>

#include "updater/feed_document.hpp"

namespace Updater {

// Run by /bin/sh with the installed bundle, the new bundle and the app's pid:
// waits for the app to end, swaps the bundles keeping the old one until the
// new one is in place (and putting it back if that move fails), then starts
// whatever bundle is installed.
inline constexpr std::string_view swapScript =
    "#!/bin/sh\n"
    "target=\"$1\"; new=\"$2\"; pid=\"$3\"\n"
    "while kill -0 \"$pid\" 2>/dev/null; do sleep 0.2; done\n"
    "aside=\"$target.old-$$\"\n"
    "if mv \"$target\" \"$aside\"; then\n"
    "  if mv \"$new\" \"$target\"; then\n"
    "    rm -rf \"$aside\"\n"
    "  else\n"
    "    rm -rf \"$target\"\n"
    "    mv \"$aside\" \"$target\"\n"
    "  fi\n"
    "fi\n"
    "exec setsid \"$target/bin/quotalume\" </dev/null >/dev/null 2>&1\n";

// 64 lower-case hex digits.
std::string sha256Hex(std::string_view bytes);

// <temp>/Quotalume-update-<new upper-case UUID>.
std::filesystem::path newWorkFolder(const std::filesystem::path& temp);

// Whether the current user may create and remove entries in the folder.
bool folderWritable(const std::filesystem::path& folder);

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
  std::string archive;  // the downloaded bytes
  Entry entry;
  std::filesystem::path target;      // the installed bundle
  std::filesystem::path workFolder;  // made here, kept afterwards
  std::function<bool(const std::filesystem::path&)> writable = folderWritable;
};

// Verifies the digest, unpacks into the work folder, checks the new bundle's
// identity and version and the target folder's writability, and writes the
// swap script. Each refusal carries its reason.
std::variant<InstallFailure, Prepared> prepareInstall(const PrepareRequest& request);

}  // namespace Updater
