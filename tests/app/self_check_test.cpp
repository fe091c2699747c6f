#include "app/self_check.hpp"

#include <sstream>

#include <gtest/gtest.h>

#include "display/phrases.hpp"

namespace {

using Result = std::optional<std::string>;
const auto pass = [] { return Result(); };

TEST(SelfCheck, BrokenExpectationsFailTheRun) {
  const auto differs = [] { return Result("x"); };
  const auto throws = []() -> Result { throw std::runtime_error("boom"); };
  struct Case {
    const char* name;
    int status;
    std::string output;
    std::vector<Check> checks;
  } cases[] = {
      {"one differs", 1, "FAIL b: x\nselftest: 1 passed, 1 failed\n", {{"a", pass}, {"b", differs}}},
      {"throwing fails, the rest run",
       1,
       "FAIL t: threw: boom\nselftest: 1 passed, 1 failed\n",
       {{"t", throws}, {"a", pass}}},
      {"no body fails", 1, "FAIL e: no check body\nselftest: 0 passed, 1 failed\n", {{"e", {}}}},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::ostringstream out;
    EXPECT_EQ(runChecks(c.checks, out), c.status);
    EXPECT_EQ(out.str(), c.output);
  }
}

TEST(SelfCheck, ShippedListCatchesAWrongExpectationAndKeepsTheLanguage) {
  auto checks = selfChecks();
  EXPECT_GE(checks.size(), 60u);
  checks.push_back({"wrong on purpose", [] {
                      isKorean = false;
                      return T("리셋됨", "reset") == "reset!" ? Result() : Result("got reset");
                    }});
  const bool saved = isKorean;
  isKorean = true;
  std::ostringstream out;
  EXPECT_EQ(runChecks(checks, out), 1);
  EXPECT_TRUE(isKorean) << "the checks switch the language; the caller's choice must survive them";
  isKorean = saved;
  EXPECT_NE(out.str().find("FAIL wrong on purpose: got reset\n"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find(" passed, 1 failed\n"), std::string::npos);
}

}  // namespace
