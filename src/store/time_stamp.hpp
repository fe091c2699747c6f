#pragma once
// The time stamp of log lines and of state.json's "at": ISO 8601 in UTC with
// whole seconds and the suffix "Z", e.g. 2026-12-05T20:34:09Z.

#include <string>

#include "readings/reading.hpp"

std::string isoTimeStamp(EpochSeconds now);
