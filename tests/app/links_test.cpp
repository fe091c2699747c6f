#include "app/links.hpp"

#include <gtest/gtest.h>

#include "app/default_browser.hpp"
#include "build_config.hpp"

namespace {

const auto defaults = [](const std::string& lines) { return "[Default Applications]\n" + lines; };
const auto handler = [](const std::string& id) { return defaults("x-scheme-handler/https=" + id + "\n"); };

TEST(Mimeapps, HandlerInOneFile) {
  struct Case {
    const char* name;
    std::string contents;
    std::optional<std::string> want;
  } cases[] = {
      {"first of a list", handler("a;b;"), "a"},
      {"empty entries skipped", handler(";;b"), "b"},
      {"spaces around key and value", defaults("  x-scheme-handler/https = a \n"), "a"},
      {"CRLF lines", "[Default Applications]\r\nx-scheme-handler/https=a\r\n", "a"},
      {"defaults group only", "[Added Associations]\nx-scheme-handler/https=a;\n" + handler("c"), "c"},
      {"group ends at the next header", defaults("[Other]\nx-scheme-handler/https=b\n"), std::nullopt},
      {"http is not https", defaults("x-scheme-handler/http=a\n"), std::nullopt},
      {"empty value", handler(""), std::nullopt},
      {"garbage", std::string("\0\xff[Default Applications\n=\n[", 27), std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(defaultHandlerIn(c.contents, "x-scheme-handler/https"), c.want);
  }
}

TEST(Mimeapps, LookupOrder) {
  struct Case {
    const char* name;
    std::map<std::string, std::string> env;
    std::vector<std::filesystem::path> want;
  } cases[] = {
      {"desktop files first, relative dirs skipped, no HOME",
       {{"XDG_CURRENT_DESKTOP", "ubuntu:GNOME"},
        {"XDG_CONFIG_HOME", "/c"},
        {"XDG_CONFIG_DIRS", "rel:/a"},
        {"XDG_DATA_DIRS", "/d"}},
       {"/c/ubuntu-mimeapps.list", "/c/gnome-mimeapps.list", "/c/mimeapps.list", "/a/ubuntu-mimeapps.list",
        "/a/gnome-mimeapps.list", "/a/mimeapps.list", "/d/applications/ubuntu-mimeapps.list",
        "/d/applications/gnome-mimeapps.list", "/d/applications/mimeapps.list"}},
      {"defaults under HOME, explicit data home, relative config home ignored",
       {{"HOME", "/h"}, {"XDG_DATA_HOME", "/e"}, {"XDG_CONFIG_HOME", "rel"}},
       {"/h/.config/mimeapps.list", "/etc/xdg/mimeapps.list", "/e/applications/mimeapps.list",
        "/usr/local/share/applications/mimeapps.list", "/usr/share/applications/mimeapps.list"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(mimeappsFiles(fixedEnvironment(c.env)), c.want);
  }
}

TEST(DefaultBrowser, FilesThenXdgSettingsThenXdgMime) {
  const auto env = fixedEnvironment(
      {{"XDG_CONFIG_HOME", "/c"}, {"XDG_CONFIG_DIRS", "/s"}, {"XDG_CURRENT_DESKTOP", "KDE"}});
  const std::string settings = "xdg-settings get default-web-browser";
  const std::string mime = "xdg-mime query default x-scheme-handler/https";
  struct Case {
    const char* name;
    std::optional<std::string> want;
    std::map<std::filesystem::path, std::string> files;  // the handler each names; "" for another key only
    std::optional<std::string> settingsSays = {}, mimeSays = {};
    std::vector<std::string> asked = {};
  } cases[] = {
      {"user over system", "a", {{"/c/mimeapps.list", "a"}, {"/s/mimeapps.list", "b"}}},
      {"desktop's own file first", "a", {{"/c/kde-mimeapps.list", "a"}, {"/c/mimeapps.list", "b"}}},
      {"a file without the key passes on", "b", {{"/c/mimeapps.list", ""}, {"/s/mimeapps.list", "b"}}},
      {"xdg-settings next", "brave", {}, "brave", "firefox", {settings}},
      {"xdg-mime last", "opera", {}, std::nullopt, "opera", {settings, mime}},
      {"nobody knows", std::nullopt, {}, std::nullopt, std::nullopt, {settings, mime}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> asked;
    auto read = [&](const std::filesystem::path& p) -> std::optional<std::string> {
      auto it = c.files.find(p);
      if (it == c.files.end()) return std::nullopt;
      return it->second.empty() ? defaults("text/html=firefox\n") : handler(it->second);
    };
    auto ask = [&](const std::string& program, const std::vector<std::string>& args) {
      asked.push_back(program);
      for (const auto& a : args) asked.back() += " " + a;
      return program == "xdg-settings" ? c.settingsSays : c.mimeSays;
    };
    EXPECT_EQ(defaultBrowserID(env, read, ask), c.want);
    EXPECT_EQ(asked, c.asked);
  }
}

TEST(DefaultBrowser, HelperAnswers) {
  EXPECT_EQ(helperAnswer("sh", {"-c", "printf '  firefox.desktop\\n'"}), "firefox.desktop");
  EXPECT_EQ(helperAnswer("sh", {"-c", "printf ' \\n'"}), std::nullopt) << "empty output is unknown";
  EXPECT_EQ(helperAnswer("sh", {"-c", "echo chromium.desktop; exit 3"}), std::nullopt)
      << "failure is unknown";
  EXPECT_EQ(helperAnswer("/nonexistent/xdg-settings", {"get"}), std::nullopt);
}

TEST(Links, InstallTargetByBrowser) {
  // Every member of the family, bare and as a desktop file, goes to the store.
  for (std::string id : {"google-chrome", "google-chrome-unstable", "com.google.Chrome", "microsoft-edge-dev",
                         "com.microsoft.Edge", "brave-browser-nightly", "vivaldi-stable", "com.opera.Opera",
                         "naver-whale", "chromium-browser", "org.chromium.Chromium"}) {
    EXPECT_EQ(Links::installTargetFor(id), Links::chromeStore()) << id;
    EXPECT_EQ(Links::installTargetFor(id + ".desktop"), Links::chromeStore()) << id;
  }
  EXPECT_EQ(Links::installTargetFor("Google-Chrome.DESKTOP"), Links::chromeStore());
  // Anything else, including near misses and no answer, gets the product page.
  for (const char* id : {"firefox-esr.desktop", "google-chrome-stable.desktop", "xchromium.desktop",
                         "chromium.desktop.desktop", ".desktop", ""}) {
    EXPECT_EQ(Links::installTargetFor(id), Links::install()) << id;
  }
  EXPECT_EQ(Links::installTargetFor(std::nullopt), Links::install());
  // A wrong address opens a page that is not there.
  const std::string site = "https://" + std::string(Build::siteHost) + "/sideproject/";
  EXPECT_EQ(Links::install(), site + "quotalume#extension");
  EXPECT_EQ(Links::supportKo(), site + "support");
  EXPECT_EQ(Links::supportEn(), site + "support/en");
}

}  // namespace
