#include "desktop/links.hpp"

#include <algorithm>
#include <array>
#include <cctype>

#include "build_config.hpp"
#include "desktop/default_browser.hpp"
#include "display/phrases.hpp"

namespace Links {

namespace {

constexpr std::array<std::string_view, 20> chromiumIDs = {
    "google-chrome",      "google-chrome-beta",    "google-chrome-unstable",
    "com.google.chrome",  "microsoft-edge",        "microsoft-edge-beta",
    "microsoft-edge-dev", "com.microsoft.edge",    "brave-browser",
    "brave-browser-beta", "brave-browser-nightly", "com.brave.browser",
    "vivaldi-stable",     "com.vivaldi.vivaldi",   "opera",
    "com.opera.opera",    "naver-whale",           "chromium",
    "chromium-browser",   "org.chromium.chromium",
};

}  // namespace

std::string support() {
  return isKorean ? supportKo() : supportEn();
}
std::string chromeStore() {
  return "https://" + std::string(storeHost) + "/detail/quotalume/" + std::string(Build::storeId);
}

bool isChromiumID(std::string_view desktopID) {
  std::string id(desktopID);
  std::transform(id.begin(), id.end(), id.begin(), [](unsigned char c) { return std::tolower(c); });
  constexpr std::string_view suffix = ".desktop";
  if (id.ends_with(suffix)) id.resize(id.size() - suffix.size());
  return std::find(chromiumIDs.begin(), chromiumIDs.end(), id) != chromiumIDs.end();
}

std::string installTargetFor(const std::optional<std::string>& browserID) {
  return browserID && isChromiumID(*browserID) ? chromeStore() : install();
}

std::string installTarget() {
  return installTargetFor(defaultBrowserID());
}

}  // namespace Links
