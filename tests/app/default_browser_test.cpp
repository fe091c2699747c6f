#include "app/default_browser.hpp"

#include <map>

#include <gtest/gtest.h>

namespace {

TEST(DefaultBrowser, FilesThenXdgSettingsThenXdgMime) {
  const auto env = fixedEnvironment({{"HOME", "/h"}});
  const std::string chromeList = "[Default Applications]\nx-scheme-handler/https=chromium.desktop\n";
  struct Case {
    const char* name;
    bool listed;
    std::optional<std::string> settings, mime;
    std::optional<std::string> want;
    std::vector<std::string> asked;
  } cases[] = {
      {"the list answers alone", true, "firefox.desktop", "firefox.desktop", "chromium.desktop", {}},
      {"xdg-settings next",
       false,
       "brave-browser.desktop",
       "firefox.desktop",
       "brave-browser.desktop",
       {"xdg-settings get default-web-browser"}},
      {"xdg-mime last",
       false,
       std::nullopt,
       "opera.desktop",
       "opera.desktop",
       {"xdg-settings get default-web-browser", "xdg-mime query default x-scheme-handler/https"}},
      {"nobody knows",
       false,
       std::nullopt,
       std::nullopt,
       std::nullopt,
       {"xdg-settings get default-web-browser", "xdg-mime query default x-scheme-handler/https"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> asked;
    auto read = [&](const std::filesystem::path& p) -> std::optional<std::string> {
      if (c.listed && p == "/h/.config/mimeapps.list") return chromeList;
      return std::nullopt;
    };
    auto ask = [&](const std::string& program, const std::vector<std::string>& args) {
      std::string line = program;
      for (const auto& a : args) line += " " + a;
      asked.push_back(line);
      return program == "xdg-settings" ? c.settings : c.mime;
    };
    EXPECT_EQ(defaultBrowserID(env, read, ask), c.want);
    EXPECT_EQ(asked, c.asked);
  }
}

TEST(DefaultBrowser, HelperAnswers) {
  struct Case {
    const char* name;
    std::string program;
    std::vector<std::string> args;
    std::optional<std::string> want;
  } cases[] = {
      {"trimmed output", "sh", {"-c", "printf '  firefox.desktop\\n'"}, "firefox.desktop"},
      {"empty output is unknown", "sh", {"-c", "printf ' \\n'"}, std::nullopt},
      {"failure is unknown", "sh", {"-c", "echo chromium.desktop; exit 3"}, std::nullopt},
      {"missing program is unknown", "/nonexistent/xdg-settings", {"get"}, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(helperAnswer(c.program, c.args), c.want);
  }
}

}  // namespace
