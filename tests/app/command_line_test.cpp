#include "app/command_line.hpp"

#include <gtest/gtest.h>

namespace {

using Args = std::vector<std::string>;

TEST(LanguageRule, CommandLineThenEnvironment) {
  struct Case {
    const char* name;
    Args args;
    std::map<std::string, std::string> env;
    bool korean;
  } cases[] = {
      {"--lang ko", {"q", "--lang", "ko"}, {}, true},
      {"--lang ko-KR", {"q", "--lang", "ko-KR"}, {}, true},
      {"--lang en", {"q", "--lang", "en"}, {{"LANG", "ko_KR.UTF-8"}}, false},
      {"prefix test is case-sensitive", {"q", "--lang", "KO"}, {}, false},
      {"--lang fr", {"q", "--lang", "fr"}, {}, false},
      {"--lang anywhere", {"q", "--no-guide", "--lang", "ko", "--no-update"}, {}, true},
      {"first --lang counts", {"q", "--lang", "en", "--lang", "ko"}, {}, false},
      {"--lang last falls back to env", {"q", "--lang"}, {{"LANG", "ko_KR.UTF-8"}}, true},
      {"option name is exact", {"q", "--LANG", "ko"}, {}, false},
      {"program path is not an option", {"--lang", "ko"}, {}, false},
      {"nothing at all is English", {"q"}, {}, false},
      {"LANG", {"q"}, {{"LANG", "ko_KR.UTF-8"}}, true},
      {"LC_MESSAGES over LANG", {"q"}, {{"LC_MESSAGES", "en_US.UTF-8"}, {"LANG", "ko_KR.UTF-8"}}, false},
      {"LC_ALL over LC_MESSAGES", {"q"}, {{"LC_ALL", "ko_KR"}, {"LC_MESSAGES", "en_US"}}, true},
      {"LC_ALL=C is English", {"q"}, {{"LC_ALL", "C"}, {"LANG", "ko_KR.UTF-8"}}, false},
      {"POSIX is English", {"q"}, {{"LANG", "POSIX"}}, false},
      {"LANGUAGE over everything", {"q"}, {{"LANGUAGE", "ko:en"}, {"LC_ALL", "en_US"}}, true},
      {"only LANGUAGE's first entry", {"q"}, {{"LANGUAGE", "en_GB:ko"}, {"LANG", "ko_KR"}}, false},
      {"empty LANGUAGE entries skipped", {"q"}, {{"LANGUAGE", "::ko_KR"}}, true},
      {"empty LANGUAGE falls through", {"q"}, {{"LANGUAGE", ""}, {"LANG", "ko_KR.UTF-8"}}, true},
      {"empty LC_ALL falls through", {"q"}, {{"LC_ALL", ""}, {"LANG", "ko_KR.UTF-8"}}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(koreanFromCommandLine(c.args, fixedEnvironment(c.env)), c.korean);
  }
}

TEST(ModeChoice, OrderAndEdges) {
  struct Case {
    const char* name;
    Args args;
    ModeChoice want;
  } cases[] = {
      {"no options", {"q"}, {Mode::normal, ""}},
      {"selftest", {"q", "--selftest"}, {Mode::selftest, ""}},
      {"selftest wins over a render", {"q", "--render-menu", "m.png", "--selftest"}, {Mode::selftest, ""}},
      {"guide", {"q", "--render-guide", "g.png"}, {Mode::renderGuide, "g.png"}},
      {"guide before menu", {"q", "--render-menu", "B", "--render-guide", "A"}, {Mode::renderGuide, "A"}},
      {"guide before glyph", {"q", "--render-glyph", "B", "--render-guide", "A"}, {Mode::renderGuide, "A"}},
      {"glyph before menu", {"q", "--render-menu", "B", "--render-glyph", "A"}, {Mode::renderGlyph, "A"}},
      {"menu", {"q", "--lang", "ko", "--render-menu", "out/m.png"}, {Mode::renderMenu, "out/m.png"}},
      {"menu as last argument is ignored", {"q", "--render-menu"}, {Mode::normal, ""}},
      {"guide last falls to menu", {"q", "--render-menu", "B", "--render-guide"}, {Mode::renderMenu, "B"}},
      {"glyph last falls to normal", {"q", "--no-guide", "--render-glyph"}, {Mode::normal, ""}},
      {"value may look like an option",
       {"q", "--render-glyph", "--no-guide"},
       {Mode::renderGlyph, "--no-guide"}},
      {"path kept as typed",
       {"q", "--render-guide", "./a b/../g.png"},
       {Mode::renderGuide, "./a b/../g.png"}},
      {"options are case-sensitive", {"q", "--SELFTEST", "--Render-Menu", "x"}, {Mode::normal, ""}},
      {"program path never an option", {"--selftest"}, {Mode::normal, ""}},
      {"empty argument list", {}, {Mode::normal, ""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(chooseMode(c.args), c.want);
  }
}

}  // namespace
