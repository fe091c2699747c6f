#pragma once
// The application bundle on disk: a directory holding bin/quotalume and an
// Info.json that names the application and its version. The installer checks a
// downloaded bundle with it, and start-up finds the running one.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace Updater {

struct BundleInfo {
  std::string identifier;
  std::string version;
};

// <bundle>/Info.json; absent when missing, unreadable, not a JSON object, or either member not a string.
std::optional<BundleInfo> readBundleInfo(const std::filesystem::path& bundle);

// The bundle the executable runs from: the directory two levels above it when that directory's
// Info.json names the app by its id ("kr.co.fernhallow.Quotalume"); absent otherwise.
std::optional<std::filesystem::path> runningBundle(const std::filesystem::path& executable);

// The version the application reports: the running bundle's "version" when it
// is a string, else `compiledIn`. A bundle without a usable version is still a
// bundle, so this reads the member on its own rather than through readBundleInfo.
std::string runningVersion(const std::filesystem::path& executable, std::string_view compiledIn);

}  // namespace Updater
