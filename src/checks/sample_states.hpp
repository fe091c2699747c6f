#pragma once
// Display models for the sample sheet, one per situation a user can meet.

#include <string>
#include <vector>

#include "display/shown.hpp"

struct SampleState {
  std::string caption;  // in the interface language
  Shown shown;
};

// Built at the fixed moment `now`, in the current interface language.
std::vector<SampleState> sampleStates(EpochSeconds now);
