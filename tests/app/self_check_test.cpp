#include "app/self_check.hpp"

#include <sstream>

#include <gtest/gtest.h>

#include "display/phrases.hpp"

namespace {

using Result = std::optional<std::string>;

TEST(SelfCheck, BrokenExpectationsFailTheRunAndTheLanguageSurvives) {
  const auto pass = [] { return Result(); };
  const auto differs = [] { return Result("x"); };
  const auto throws = []() -> Result { throw std::runtime_error("boom"); };
  const auto switches = [] {
    isKorean = false;
    return Result();
  };
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
      {"a check that switches the language", 0, "selftest: 1 passed, 0 failed\n", {{"k", switches}}},
  };
  const bool saved = isKorean;
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    isKorean = true;
    std::ostringstream out;
    EXPECT_EQ(runChecks(c.checks, out), c.status);
    EXPECT_EQ(out.str(), c.output);
    EXPECT_TRUE(isKorean) << "the caller's language must survive the checks";
  }
  isKorean = saved;
  // The executable's run of the shipped list would pass with no checks at all.
  EXPECT_GE(selfChecks().size(), 60u);
}

}  // namespace
