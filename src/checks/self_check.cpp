#include "checks/self_check.hpp"

#include <exception>

#include "display/phrases.hpp"
#include "store/log.hpp"

int runChecks(const std::vector<Check>& checks, std::ostream& out) {
  int passed = 0;
  int failed = 0;
  for (const auto& check : checks) {
    const bool language = isKorean;
    std::optional<std::string> problem;
    // A check that throws is a failed check, not a crashed self-check.
    try {
      problem = check.run ? check.run() : std::optional<std::string>("no check body");
    } catch (const std::exception& e) {
      problem = std::string("threw: ") + e.what();
    } catch (...) {
      problem = "threw";
    }
    isKorean = language;
    if (problem) {
      ++failed;
      out << "FAIL " << check.name << ": " << *problem << "\n";
    } else {
      ++passed;
    }
  }
  out << "selftest: " << passed << " passed, " << failed << " failed\n";
  out.flush();
  return failed == 0 ? 0 : 1;
}

int runSelftest(std::ostream& out) {
  logEnabled = false;
  return runChecks(selfChecks(), out);
}
