#pragma once
// The version the application reports about itself. It starts as the version
// compiled in and is settled once at start-up, before any other thread runs,
// from the bundle the executable was started from; afterwards it is only read.

#include <string>
#include <string_view>

#include "build_config.hpp"  // Build::version, the value before start-up settles it

std::string_view appVersion();

// Start-up only: every reader after it sees this value for the life of the process.
void setAppVersion(std::string version);
