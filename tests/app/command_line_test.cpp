#include "app/command_line.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>

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

// Each row of the option table does what it says, so --help and the man page,
// which are written from the table, list exactly what the parser accepts.
TEST(OptionTable, EveryListedOptionChangesTheParseAndToolkitOnesAreLeftToTheToolkit) {
  const auto env = Store::fixedEnvironment({});
  for (const Option& option : optionTable()) {
    const std::string name(option.name);
    SCOPED_TRACE(name);
    Args base = {"q"};
    if (name == "--format" || name == "--follow") base.push_back("--status");
    if (name == "--since") base.push_back("--history");
    Args with = base;
    with.push_back(name);
    if (!option.value.empty()) with.push_back(name == "--format" ? "json" : name == "--since" ? "7d" : "ko");
    const ParsedCommandLine plain = parseCommandLine(base, env), given = parseCommandLine(with, env);
    EXPECT_EQ(given.unknown, std::vector<std::string>{});
    EXPECT_EQ(given.error, std::nullopt);
    if (option.group == OptionGroup::toolkit)
      EXPECT_EQ(given.line, plain.line);
    else
      EXPECT_NE(given.line, plain.line) << "listed, but the parser ignores it";
    if (option.group == OptionGroup::mode) {
      EXPECT_EQ(given.line.choice.mode, option.mode);
    }
  }
  // The other way round: every option the parser's source names is a row.
  for (const char* file : {"/src/app/command_line.cpp", "/src/app/main.cpp"}) {
    std::ifstream in(std::string(QUOTALUME_SOURCE_DIR) + file);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    ASSERT_FALSE(text.empty()) << file;
    const std::regex literal("\"(--?[a-z][a-z-]*)\"");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), literal); it != std::sregex_iterator();
         ++it) {
      const std::string name = (*it)[1];
      if (name != "--swap-bundles") {
        EXPECT_NE(findOption(name), nullptr) << file << " reads " << name;
      }
    }
  }
}

TEST(OptionTable, UnknownOptionsAreNamedButValuesAndTheToolkitsAreNot) {
  struct Case {
    const char* name;
    Args args;
    std::vector<std::string> unknown;
  } cases[] = {
      {"two unknown", {"q", "--bogus", "-v", "--no-guide"}, {"--bogus", "-v"}},
      {"a value that looks like an option", {"q", "--render-glyph", "--bogus"}, {}},
      {"a value after = is not ours", {"q", "--format=json"}, {"--format=json"}},
      {"toolkit, either dash, value after", {"q", "--platform", "xcb", "-style=fusion", "-session", "x"}, {}},
      {"toolkit prefix is not enough", {"q", "-platformx"}, {"-platformx"}},
      {"bare words and a lone dash", {"q", "file.txt", "-"}, {}},
      {"the program path never counts", {"--bogus"}, {}},
      {"the swap script's call", {"q", "--swap-bundles", "/a", "/b"}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(unknownOptions(c.args), c.unknown);
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
