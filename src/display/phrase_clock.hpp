#pragma once
// When the words of the display next change on their own: every phrase counts
// whole minutes from a moment the readings hold (a reset, the data's time), so
// between two readings the text can only change on those minute marks.

#include <optional>

#include "readings/reading.hpp"

// The first minute mark after `now` of any of the pair's moments; absent when
// the pair holds none, so nothing changes until a new reading arrives.
std::optional<EpochSeconds> nextPhraseChange(const Saved& saved, EpochSeconds now);
