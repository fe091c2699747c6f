#pragma once
// The wall clock as a Date. Rules take `now` as a parameter; the controller,
// the bridge's receipt stamp and the process entry read it here and pass it on.

#include "readings/reading.hpp"

Date wallClockNow();
