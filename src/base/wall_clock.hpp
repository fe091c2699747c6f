#pragma once
// The wall clock. Rules take `now` as a parameter; only the controller and
// the process entry read the clock here and pass it on.

#include "base/epoch_seconds.hpp"

EpochSeconds wallClockNow();
