#pragma once
// The hidden name a save fills before it replaces its target, and the test
// that tells such a name apart from every other file in the folder.

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

namespace Store {

// ".<target>.tmp-<pid>-<serial>-<salt>", the numbers in plain decimal; the
// salt is below one million.
std::string temporaryName(std::string_view target, pid_t pid, unsigned serial, unsigned salt);

// The writer's process id when `name` is one that temporaryName can make for
// `target`: nothing before or after, no sign, no leading zero, a positive
// pid. Absent for every other name, so that a sweep never mistakes a file it
// did not make for a leftover.
std::optional<pid_t> temporaryWriter(std::string_view name, std::string_view target);

}  // namespace Store
