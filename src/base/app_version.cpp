#include "base/app_version.hpp"

#include "build_config.hpp"

namespace {

std::string& currentVersion() {
  static std::string version = Build::version;
  return version;
}

}  // namespace

std::string_view appVersion() {
  return currentVersion();
}

void setAppVersion(std::string version) {
  currentVersion() = std::move(version);
}
