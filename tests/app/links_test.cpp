#include "app/links.hpp"

#include <gtest/gtest.h>

#include "build_config.hpp"
#include "display/phrases.hpp"

namespace {

TEST(Links, AddressesFromTheConfiguredHosts) {
  const std::string site = std::string("https://") + Build::siteHost;
  EXPECT_EQ(Links::page(), site + "/sideproject/quotalume");
  EXPECT_EQ(Links::install(), site + "/sideproject/quotalume#extension");
  EXPECT_EQ(Links::supportKo(), site + "/sideproject/support");
  EXPECT_EQ(Links::supportEn(), site + "/sideproject/support/en");
  EXPECT_EQ(Links::chromeStore(),
            std::string("https://chromewebstore.google.com/detail/quotalume/") + Build::storeId);

  const bool saved = isKorean;
  isKorean = true;
  EXPECT_EQ(Links::support(), Links::supportKo());
  isKorean = false;
  EXPECT_EQ(Links::support(), Links::supportEn());
  isKorean = saved;
}

TEST(Links, StoreIdIsThirtyTwoLettersAToP) {
  const std::string id = Build::storeId;
  ASSERT_EQ(id.size(), 32u);
  for (char c : id) EXPECT_TRUE(c >= 'a' && c <= 'p') << id;
}

TEST(Links, InstallTargetByBrowser) {
  struct Case {
    const char* name;
    std::optional<std::string> id;
    bool store;
  } cases[] = {
      {"chrome desktop file", "google-chrome.desktop", true},
      {"chrome without suffix", "google-chrome", true},
      {"upper case", "Google-Chrome.DESKTOP", true},
      {"flatpak chrome", "com.google.Chrome.desktop", true},
      {"chrome unstable", "google-chrome-unstable.desktop", true},
      {"edge dev", "microsoft-edge-dev.desktop", true},
      {"flatpak edge", "com.microsoft.Edge", true},
      {"brave nightly", "brave-browser-nightly.desktop", true},
      {"flatpak brave", "com.brave.Browser.desktop", true},
      {"vivaldi", "vivaldi-stable.desktop", true},
      {"flatpak vivaldi", "com.vivaldi.Vivaldi.desktop", true},
      {"opera", "opera.desktop", true},
      {"flatpak opera", "com.opera.Opera.desktop", true},
      {"whale", "naver-whale.desktop", true},
      {"chromium", "chromium.desktop", true},
      {"debian chromium", "chromium-browser.desktop", true},
      {"flatpak chromium", "org.chromium.Chromium.desktop", true},
      {"firefox", "firefox-esr.desktop", false},
      {"epiphany", "org.gnome.Epiphany.desktop", false},
      {"prefix of a member", "google-chrome-stable.desktop", false},
      {"member inside a longer id", "xchromium.desktop", false},
      {"double suffix", "chromium.desktop.desktop", false},
      {"suffix only", ".desktop", false},
      {"unknown browser", std::nullopt, false},
      {"empty answer", "", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Links::installTargetFor(c.id), c.store ? Links::chromeStore() : Links::install());
  }
}

}  // namespace
