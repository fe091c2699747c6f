#include "app/self_check.hpp"

#include <sstream>

#include <gtest/gtest.h>

#include "display/phrases.hpp"
#include "store/log.hpp"

namespace {

TEST(SelfCheck, ShippedChecksPassInBothLanguagesAndSwitchLoggingOff) {
  const bool language = isKorean;
  std::ostringstream out;
  const auto checks = selfChecks();
  EXPECT_GE(checks.size(), 60u);
  EXPECT_EQ(runSelftest(out), 0) << out.str();
  EXPECT_FALSE(logEnabled);
  logEnabled = true;
  EXPECT_EQ(out.str(), "selftest: " + std::to_string(checks.size()) + " passed, 0 failed\n");
  // The checks switch the language; the caller's choice must survive them.
  EXPECT_EQ(isKorean, language);
}

TEST(SelfCheck, BrokenExpectationsFailTheRun) {
  struct Case {
    const char* name;
    std::vector<Check> checks;
    int status;
    std::string output;
  } cases[] = {
      {"all pass", {{"a", [] { return std::nullopt; }}}, 0, "selftest: 1 passed, 0 failed\n"},
      {"one differs",
       {{"a", [] { return std::nullopt; }},
        {"b", [] { return std::optional<std::string>("got 1, want 2"); }}},
       1,
       "FAIL b: got 1, want 2\nselftest: 1 passed, 1 failed\n"},
      {"a throwing check fails, the rest still run",
       {{"t", []() -> std::optional<std::string> { throw std::runtime_error("boom"); }},
        {"a", [] { return std::nullopt; }}},
       1,
       "FAIL t: threw: boom\nselftest: 1 passed, 1 failed\n"},
      {"a check without a body fails",
       {{"empty", {}}},
       1,
       "FAIL empty: no check body\nselftest: 0 passed, 1 failed\n"},
      {"nothing to check", {}, 0, "selftest: 0 passed, 0 failed\n"},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::ostringstream out;
    EXPECT_EQ(runChecks(c.checks, out), c.status);
    EXPECT_EQ(out.str(), c.output);
  }
}

TEST(SelfCheck, ShippedListCatchesAWrongExpectation) {
  // A deliberately wrong expectation added to the real list turns the status non-zero.
  auto checks = selfChecks();
  checks.push_back({"wrong on purpose", [] {
                      isKorean = false;
                      return T("리셋됨", "reset") == "reset!" ? std::nullopt
                                                              : std::optional<std::string>("got reset");
                    }});
  std::ostringstream out;
  EXPECT_EQ(runChecks(checks, out), 1);
  EXPECT_NE(out.str().find("FAIL wrong on purpose: got reset\n"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find(" passed, 1 failed\n"), std::string::npos);
}

}  // namespace
