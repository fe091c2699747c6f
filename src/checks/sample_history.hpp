#pragma once
// A made-up busy stretch of usage, for the history rendering, its tests and
// the benchmarks: working hours on six days a week, sessions that fill at
// varying speed (some to 100 %), and the 7-day windows growing with them.

#include <vector>

#include "store/history_store.hpp"

// Readings every `step` seconds for `days` days before `now`. With `dedupe`
// only the lines the recorder would write (changes and heartbeats), else
// one line per reading.
std::vector<HistoryEntry> sampleHistory(EpochSeconds now, double days, double step = 60, bool dedupe = true);
