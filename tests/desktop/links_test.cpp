#include "desktop/links.hpp"

#include <gtest/gtest.h>

#include "build_config.hpp"
#include "desktop/default_browser.hpp"

namespace {

const auto defaults = [](const std::string& lines) { return "[Default Applications]\n" + lines; };
const auto handler = [](const std::string& id) { return defaults("x-scheme-handler/https=" + id + "\n"); };

// The user's mimeapps.list and the desktop's own beside it come before the
// system's, which names "s".
TEST(DefaultBrowser, FilesInOrderThenXdgSettingsThenXdgMime) {
  const auto env = Store::fixedEnvironment(
      {{"XDG_CONFIG_HOME", "/c"}, {"XDG_CONFIG_DIRS", "/s"}, {"XDG_CURRENT_DESKTOP", "KDE"}});
  const std::string settings = "xdg-settings get default-web-browser";
  const std::string mime = "xdg-mime query default x-scheme-handler/https";
  struct Case {
    const char* name;
    std::string user;  // empty: no such file
    std::optional<std::string> want;
    std::string desktop = {};
    bool system = true;
    std::optional<std::string> settingsSays = {}, mimeSays = {};
    std::vector<std::string> asked = {};
  } cases[] = {
      {"first of a list", handler("a;b;"), "a"},
      {"empty entries skipped", handler(";;b"), "b"},
      {"the desktop's own file first", handler("b"), "a", handler("a")},
      {"spaces and CRLF", "[Default Applications]\r\n  x-scheme-handler/https = a \r\n", "a"},
      {"defaults group only", "[Added Associations]\nx-scheme-handler/https=a;\n" + handler("c"), "c"},
      {"group ends at the next header", defaults("[Other]\nx-scheme-handler/https=b\n"), "s"},
      {"http is not https", defaults("x-scheme-handler/http=a\n"), "s"},
      {"empty value", handler(""), "s"},
      {"garbage", std::string("\0\xff[Default Applications\n=\n[", 27), "s"},
      {"xdg-settings next", "", "brave", "", false, "brave", "firefox", {settings}},
      {"xdg-mime last", "", "opera", "", false, std::nullopt, "opera", {settings, mime}},
      {"nobody knows", "", std::nullopt, "", false, std::nullopt, std::nullopt, {settings, mime}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::map<std::filesystem::path, std::string> files{
        {"/c/kde-mimeapps.list", c.desktop},
        {"/c/mimeapps.list", c.user},
        {"/s/mimeapps.list", c.system ? handler("s") : ""}};
    auto read = [&](const std::filesystem::path& p) -> std::optional<std::string> {
      const auto it = files.find(p);
      if (it == files.end() || it->second.empty()) return std::nullopt;
      return it->second;
    };
    std::vector<std::string> asked;
    auto ask = [&](const std::string& program, const std::vector<std::string>& args) {
      asked.push_back(program);
      for (const auto& a : args) asked.back() += " " + a;
      return program == "xdg-settings" ? c.settingsSays : c.mimeSays;
    };
    EXPECT_EQ(defaultBrowserID(env, read, ask), c.want);
    EXPECT_EQ(asked, c.asked);
  }
}

TEST(DefaultBrowser, HelperAnswersTrimmedAndOnlyOnSuccess) {
  EXPECT_EQ(helperAnswer("sh", {"-c", "printf '  firefox.desktop\\n'"}), "firefox.desktop");
  EXPECT_EQ(helperAnswer("sh", {"-c", "echo chromium.desktop; exit 3"}), std::nullopt);
}

TEST(Links, InstallTargetByBrowser) {
  // The family, bare and as a desktop file in any case, goes to the store.
  for (std::string id : {"google-chrome", "com.google.Chrome", "naver-whale", "org.chromium.Chromium"}) {
    EXPECT_EQ(Links::installTargetFor(id), Links::chromeStore()) << id;
    EXPECT_EQ(Links::installTargetFor(id + ".DESKTOP"), Links::chromeStore()) << id;
  }
  // Anything else, including near misses and no answer, gets the product page.
  for (const char* id : {"firefox-esr.desktop", "google-chrome-stable.desktop", "xchromium.desktop",
                         "chromium.desktop.desktop", ""}) {
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
