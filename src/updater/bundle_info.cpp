#include "updater/bundle_info.hpp"

#include <nlohmann/json.hpp>

#include "app/app_identity.hpp"
#include "readings/json_access.hpp"
#include "store/file_bytes.hpp"

namespace Updater {

namespace {

// Info.json holds two short strings; anything much larger is not one.
constexpr std::uintmax_t maxInfoBytes = 64 * 1024;

}  // namespace

std::optional<BundleInfo> readBundleInfo(const std::filesystem::path& bundle) {
  const auto bytes = Store::readFile(bundle / "Info.json", maxInfoBytes);
  if (!bytes) return std::nullopt;
  const auto doc = readings_detail::parseDocument(*bytes);
  auto identifier = readings_detail::text(readings_detail::member(doc, "identifier"));
  auto version = readings_detail::text(readings_detail::member(doc, "version"));
  if (!identifier || !version) return std::nullopt;
  return BundleInfo{std::move(*identifier), std::move(*version)};
}

std::optional<std::filesystem::path> runningBundle(const std::filesystem::path& executable) {
  const auto bundle = executable.parent_path().parent_path();
  if (bundle.empty()) return std::nullopt;
  const auto info = readBundleInfo(bundle);
  if (!info || info->identifier != bundleID) return std::nullopt;
  return bundle;
}

}  // namespace Updater
