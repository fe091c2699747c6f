#include "updater/bundle_info.hpp"

#include <algorithm>
#include <cctype>

#include <nlohmann/json.hpp>

#include "build_config.hpp"
#include "readings/json_access.hpp"
#include "store/file_bytes.hpp"

namespace Updater {

namespace {

namespace fs = std::filesystem;
using readings_detail::member;
using readings_detail::text;

// A real Info.json is a few dozen bytes; anything near this is not ours.
constexpr std::uintmax_t maxInfoBytes = 64 * 1024;

std::optional<nlohmann::json> infoObject(const fs::path& bundle) {
  const std::optional<std::string> bytes = Store::readFile(bundle / "Info.json", maxInfoBytes);
  if (!bytes) return std::nullopt;
  // The shared parse: a number beyond a double's range elsewhere in the file
  // does not make the whole file unreadable.
  nlohmann::json object = readings_detail::parseDocument(*bytes);
  if (!object.is_object()) return std::nullopt;  // a parse failure is discarded, not an object
  return object;
}

struct RunningInfo {
  fs::path bundle;
  nlohmann::json info;
};

std::optional<RunningInfo> runningInfo(const fs::path& executable) {
  const fs::path bin = executable.parent_path();
  fs::path bundle = bin.parent_path();
  // An executable directly under the root, or a bare file name, has no
  // directory two levels up; reading "Info.json" there would read the
  // working directory's.
  if (bundle.empty() || bundle == bin) return std::nullopt;
  std::optional<nlohmann::json> info = infoObject(bundle);
  if (!info || text(member(*info, "identifier")) != std::string(appId)) return std::nullopt;
  return RunningInfo{std::move(bundle), std::move(*info)};
}

}  // namespace

std::optional<BundleInfo> readBundleInfo(const fs::path& bundle) {
  const std::optional<nlohmann::json> info = infoObject(bundle);
  if (!info) return std::nullopt;
  std::optional<std::string> identifier = text(member(*info, "identifier"));
  std::optional<std::string> version = text(member(*info, "version"));
  if (!identifier || !version) return std::nullopt;
  return BundleInfo{std::move(*identifier), std::move(*version)};
}

std::optional<fs::path> runningBundle(const fs::path& executable) {
  std::optional<RunningInfo> running = runningInfo(executable);
  if (!running) return std::nullopt;
  return std::move(running->bundle);
}

namespace {

// The version travels unescaped into the ping's JSON, the User-Agent header
// and log lines, so only plain version text is taken from the file.
bool plainVersion(std::string_view v) {
  constexpr std::size_t maxVersionLength = 64;
  if (v.empty() || v.size() > maxVersionLength) return false;
  return std::all_of(v.begin(), v.end(), [](unsigned char c) {
    return std::isalnum(c) || c == '.' || c == '+' || c == '~' || c == '-';
  });
}

}  // namespace

std::string runningVersion(const fs::path& executable, std::string_view compiledIn) {
  const std::optional<RunningInfo> running = runningInfo(executable);
  if (!running) return std::string(compiledIn);
  const std::optional<std::string> version = text(member(running->info, "version"));
  return version && plainVersion(*version) ? *version : std::string(compiledIn);
}

}  // namespace Updater
