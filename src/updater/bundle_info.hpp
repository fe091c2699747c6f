#pragma once
// A bundle's identity as its Info.json states it.

#include <filesystem>
#include <optional>
#include <string>

namespace Updater {

struct BundleInfo {
  std::string identifier;
  std::string version;
};

// <bundle>/Info.json; absent when missing, unreadable, not a JSON object, or either member not a string.
std::optional<BundleInfo> readBundleInfo(const std::filesystem::path& bundle);

// The bundle the executable runs from: the directory two levels above it when that directory's
// Info.json carries bundleID ("kr.co.fernhallow.Quotalume"); absent otherwise.
std::optional<std::filesystem::path> runningBundle(const std::filesystem::path& executable);

}  // namespace Updater
