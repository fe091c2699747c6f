#include "app/mimeapps.hpp"

#include <map>

#include <gtest/gtest.h>

namespace {

constexpr std::string_view https = "x-scheme-handler/https";

TEST(Mimeapps, HandlerInOneFile) {
  struct Case {
    const char* name;
    std::string contents;
    std::optional<std::string> want;
  } cases[] = {
      {"plain", "[Default Applications]\nx-scheme-handler/https=firefox.desktop\n", "firefox.desktop"},
      {"first of a list",
       "[Default Applications]\nx-scheme-handler/https=chromium.desktop;firefox.desktop;\n",
       "chromium.desktop"},
      {"empty entries skipped", "[Default Applications]\nx-scheme-handler/https=;;brave-browser.desktop\n",
       "brave-browser.desktop"},
      {"spaces around key and value", "[Default Applications]\n  x-scheme-handler/https = opera.desktop \n",
       "opera.desktop"},
      {"CRLF lines", "[Default Applications]\r\nx-scheme-handler/https=vivaldi-stable.desktop\r\n",
       "vivaldi-stable.desktop"},
      {"only the defaults group counts",
       "[Added Associations]\nx-scheme-handler/https=firefox.desktop;\n[Default Applications]\n"
       "text/html=firefox.desktop\n",
       std::nullopt},
      {"after another group",
       "[Added Associations]\nx-scheme-handler/https=a.desktop;\n\n[Default Applications]\n"
       "x-scheme-handler/http=b.desktop\nx-scheme-handler/https=c.desktop\n",
       "c.desktop"},
      {"group ends at the next header",
       "[Default Applications]\ntext/html=a.desktop\n[Removed "
       "Associations]\nx-scheme-handler/https=b.desktop\n",
       std::nullopt},
      {"http is not https", "[Default Applications]\nx-scheme-handler/http=firefox.desktop\n", std::nullopt},
      {"commented out", "[Default Applications]\n# x-scheme-handler/https=firefox.desktop\n", std::nullopt},
      {"empty value", "[Default Applications]\nx-scheme-handler/https=\n", std::nullopt},
      {"no trailing newline", "[Default Applications]\nx-scheme-handler/https=chromium.desktop",
       "chromium.desktop"},
      {"garbage", std::string("\0\xff[Default Applications\n=\n[", 27), std::nullopt},
      {"empty file", "", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(defaultHandlerIn(c.contents, https), c.want);
  }
}

TEST(Mimeapps, LookupOrder) {
  const auto files = mimeappsFiles(fixedEnvironment({
      {"HOME", "/home/u"},
      {"XDG_CURRENT_DESKTOP", "ubuntu:GNOME"},
      {"XDG_CONFIG_DIRS", "/etc/xdg/xdg-ubuntu:relative:/etc/xdg"},
      {"XDG_DATA_DIRS", "/usr/share/ubuntu:/usr/share"},
  }));
  const std::vector<std::filesystem::path> want = {
      "/home/u/.config/ubuntu-mimeapps.list",
      "/home/u/.config/gnome-mimeapps.list",
      "/home/u/.config/mimeapps.list",
      "/etc/xdg/xdg-ubuntu/ubuntu-mimeapps.list",
      "/etc/xdg/xdg-ubuntu/gnome-mimeapps.list",
      "/etc/xdg/xdg-ubuntu/mimeapps.list",
      "/etc/xdg/ubuntu-mimeapps.list",
      "/etc/xdg/gnome-mimeapps.list",
      "/etc/xdg/mimeapps.list",
      "/home/u/.local/share/applications/ubuntu-mimeapps.list",
      "/home/u/.local/share/applications/gnome-mimeapps.list",
      "/home/u/.local/share/applications/mimeapps.list",
      "/usr/share/ubuntu/applications/ubuntu-mimeapps.list",
      "/usr/share/ubuntu/applications/gnome-mimeapps.list",
      "/usr/share/ubuntu/applications/mimeapps.list",
      "/usr/share/applications/ubuntu-mimeapps.list",
      "/usr/share/applications/gnome-mimeapps.list",
      "/usr/share/applications/mimeapps.list",
  };
  EXPECT_EQ(files, want);
}

TEST(Mimeapps, DefaultsAndInvalidVariables) {
  struct Case {
    const char* name;
    std::map<std::string, std::string> env;
    std::vector<std::filesystem::path> want;
  } cases[] = {
      {"defaults under HOME",
       {{"HOME", "/h"}},
       {"/h/.config/mimeapps.list", "/etc/xdg/mimeapps.list", "/h/.local/share/applications/mimeapps.list",
        "/usr/local/share/applications/mimeapps.list", "/usr/share/applications/mimeapps.list"}},
      {"explicit homes win over HOME",
       {{"HOME", "/h"},
        {"XDG_CONFIG_HOME", "/c"},
        {"XDG_DATA_HOME", "/d"},
        {"XDG_CONFIG_DIRS", "/x"},
        {"XDG_DATA_DIRS", "/y"}},
       {"/c/mimeapps.list", "/x/mimeapps.list", "/d/applications/mimeapps.list",
        "/y/applications/mimeapps.list"}},
      {"relative homes ignored",
       {{"HOME", "/h"},
        {"XDG_CONFIG_HOME", "conf"},
        {"XDG_DATA_HOME", "data"},
        {"XDG_CONFIG_DIRS", "/x"},
        {"XDG_DATA_DIRS", "/y"}},
       {"/h/.config/mimeapps.list", "/x/mimeapps.list", "/h/.local/share/applications/mimeapps.list",
        "/y/applications/mimeapps.list"}},
      {"no HOME skips the home folders",
       {{"XDG_CONFIG_DIRS", "/x"}, {"XDG_DATA_DIRS", "/y"}},
       {"/x/mimeapps.list", "/y/applications/mimeapps.list"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(mimeappsFiles(fixedEnvironment(c.env)), c.want);
  }
}

TEST(Mimeapps, FirstFileThatNamesAHandlerWins) {
  const auto env = fixedEnvironment({{"HOME", "/h"}, {"XDG_CURRENT_DESKTOP", "KDE"}});
  struct Case {
    const char* name;
    std::map<std::filesystem::path, std::string> files;
    std::optional<std::string> want;
  } cases[] = {
      {"user over system",
       {{"/h/.config/mimeapps.list", "[Default Applications]\nx-scheme-handler/https=firefox.desktop\n"},
        {"/etc/xdg/mimeapps.list", "[Default Applications]\nx-scheme-handler/https=chromium.desktop\n"}},
       "firefox.desktop"},
      {"desktop-specific over plain",
       {{"/h/.config/kde-mimeapps.list", "[Default Applications]\nx-scheme-handler/https=brave.desktop\n"},
        {"/h/.config/mimeapps.list", "[Default Applications]\nx-scheme-handler/https=firefox.desktop\n"}},
       "brave.desktop"},
      {"a file without the key passes on",
       {{"/h/.config/mimeapps.list", "[Default Applications]\ntext/html=firefox.desktop\n"},
        {"/usr/share/applications/mimeapps.list",
         "[Default Applications]\nx-scheme-handler/https=chromium.desktop\n"}},
       "chromium.desktop"},
      {"legacy data-home location",
       {{"/h/.local/share/applications/mimeapps.list",
         "[Default Applications]\nx-scheme-handler/https=google-chrome.desktop\n"}},
       "google-chrome.desktop"},
      {"nothing anywhere", {}, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto read = [&](const std::filesystem::path& p) -> std::optional<std::string> {
      auto it = c.files.find(p);
      if (it == c.files.end()) return std::nullopt;
      return it->second;
    };
    EXPECT_EQ(defaultHandler(env, read, https), c.want);
  }
}

}  // namespace
