#include "checks/self_check.hpp"

#include <sstream>

#include <gtest/gtest.h>

#include "display/phrases.hpp"

namespace {

using Result = std::optional<std::string>;

// Passing runs are the executable's own --selftest.
TEST(SelfCheck, BrokenExpectationsFailTheRunAndTheLanguageSurvives) {
  const auto pass = [] { return Result(); };
  const auto differs = [] { return Result("x"); };
  const auto throws = []() -> Result { throw std::runtime_error("boom"); };
  const auto switches = [] {
    isKorean = false;
    return Result();
  };
  const bool saved = isKorean;
  isKorean = true;
  std::ostringstream out;
  EXPECT_EQ(runChecks({{"t", throws}, {"k", switches}, {"b", differs}, {"e", {}}, {"a", pass}}, out), 1);
  EXPECT_EQ(out.str(),
            "FAIL t: threw: boom\nFAIL b: x\nFAIL e: no check body\nselftest: 2 passed, 3 failed\n");
  EXPECT_TRUE(isKorean) << "the caller's language must survive the checks";
  isKorean = saved;
}

}  // namespace
