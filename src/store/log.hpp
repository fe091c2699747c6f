#pragma once
// The application's log: one time-stamped line per event, rotated at 1 MiB
// into a single older generation ("<name>.1").

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string_view>

#include "readings/reading.hpp"

inline constexpr std::uintmax_t maxLogBytes = 1048576;

// The self-check turns this off so that it writes no log lines.
inline std::atomic<bool> logEnabled{true};

// Appends "<time stamp> <message>\n" to logPath. Safe from any thread; never
// fails visibly.
void log(std::string_view message);

namespace Store {

// What log() does, with the file, the time and the rotation size given. All
// calls, and log() itself, share one lock, so the size test, the rotation and
// the append of one line never mix with another call's.
void appendLogLine(const std::filesystem::path& file, std::string_view message, EpochSeconds now,
                   std::uintmax_t rotateAt = maxLogBytes);

}  // namespace Store
