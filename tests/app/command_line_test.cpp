#include "app/command_line.hpp"

#include <gtest/gtest.h>

#include "app/platform_choice.hpp"

namespace {

using Args = std::vector<std::string>;

TEST(LanguageRule, CommandLineThenEnvironment) {
  struct Case {
    const char* name;
    Args args;
    std::map<std::string, std::string> env;
    bool korean;
  } cases[] = {
      {"--lang ko-KR", {"q", "--lang", "ko-KR"}, {}, true},
      {"--lang en over the environment", {"q", "--lang", "en"}, {{"LANG", "ko_KR.UTF-8"}}, false},
      {"the prefix is case-sensitive", {"q", "--lang", "KO"}, {}, false},
      {"another k- language", {"q"}, {{"LANG", "kk_KZ.UTF-8"}}, false},
      {"first --lang counts", {"q", "--lang", "en", "--lang", "ko"}, {}, false},
      {"--lang last falls back to env", {"q", "--lang"}, {{"LANG", "ko_KR.UTF-8"}}, true},
      {"LC_MESSAGES over LANG", {"q"}, {{"LC_MESSAGES", "en_US.UTF-8"}, {"LANG", "ko_KR.UTF-8"}}, false},
      {"LC_ALL over LC_MESSAGES", {"q"}, {{"LC_ALL", "ko_KR"}, {"LC_MESSAGES", "en_US"}}, true},
      {"LC_ALL=C is English", {"q"}, {{"LC_ALL", "C"}, {"LANG", "ko_KR.UTF-8"}}, false},
      {"LANGUAGE over everything", {"q"}, {{"LANGUAGE", "ko:en"}, {"LC_ALL", "en_US"}}, true},
      {"only LANGUAGE's first entry", {"q"}, {{"LANGUAGE", "en_GB:ko"}, {"LANG", "ko_KR"}}, false},
      {"empty LC_ALL falls through", {"q"}, {{"LC_ALL", ""}, {"LANG", "ko_KR.UTF-8"}}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(koreanFromCommandLine(c.args, Store::fixedEnvironment(c.env)), c.korean);
  }
}

TEST(ModeChoice, OrderAndEdges) {
  struct Case {
    const char* name;
    Args args;
    ModeChoice want;
  } cases[] = {
      {"selftest wins over a render", {"q", "--render-menu", "m.png", "--selftest"}, {Mode::selftest, ""}},
      {"guide before glyph", {"q", "--render-glyph", "B", "--render-guide", "A"}, {Mode::renderGuide, "A"}},
      {"glyph before menu", {"q", "--render-menu", "B", "--render-glyph", "A"}, {Mode::renderGlyph, "A"}},
      {"status wins over history", {"q", "--history", "--status"}, {Mode::status, ""}},
      {"history before a render", {"q", "--render-history", "h.png", "--history"}, {Mode::history, ""}},
      {"history chart last", {"q", "--render-menu", "B", "--render-history", "A"}, {Mode::renderMenu, "B"}},
      {"menu as last argument is ignored", {"q", "--render-menu"}, {Mode::normal, ""}},
      {"value may look like an option", {"q", "--render-glyph", "--lang"}, {Mode::renderGlyph, "--lang"}},
      {"program path never an option", {"--selftest"}, {Mode::normal, ""}},
      {"help wins over everything", {"q", "--version", "--selftest", "--help"}, {Mode::help, ""}},
      {"short help", {"q", "-h"}, {Mode::help, ""}},
      {"version wins over the modes", {"q", "--status", "--version"}, {Mode::version, ""}},
      {"an unknown option is a normal run", {"q", "--verbose", "-v"}, {Mode::normal, ""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(chooseMode(c.args), c.want);
  }
}

// The picture modes under dead displays are run through the executable.
TEST(PlatformChoice, WindowlessModesDrawOffscreenUnlessTheUserChose) {
  const auto platform = [](Mode mode, std::map<std::string, std::string> env) {
    return forcedPlatform(mode, Store::fixedEnvironment(env));
  };
  EXPECT_EQ(platform(Mode::selftest, {{"QT_QPA_PLATFORM", ""}}), "offscreen")
      << "an empty choice is no choice";
  EXPECT_EQ(platform(Mode::renderMenu, {{"QT_QPA_PLATFORM", "xcb"}, {"DISPLAY", ":0"}}), std::nullopt);
  EXPECT_EQ(platform(Mode::normal, {{"DISPLAY", ":99"}}), std::nullopt) << "the tray run keeps its display";
}

}  // namespace
