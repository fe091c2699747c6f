#pragma once
// The built-in self-check: real cases across the core's rules, run in the
// shipped binary so a broken build or locale shows up on the user's machine.

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

struct Check {
  std::string name;
  // What differed from the expectation; nothing when the case passed.
  std::function<std::optional<std::string>()> run;
};

// Prints one line per failed check, then "selftest: N passed, M failed".
// Returns the process status: 0 exactly when nothing failed. The language
// flag is restored after every check, whatever the check set it to.
int runChecks(const std::vector<Check>& checks, std::ostream& out);

std::vector<Check> selfChecks();

// Switches logging off for good and runs selfChecks().
int runSelftest(std::ostream& out);
