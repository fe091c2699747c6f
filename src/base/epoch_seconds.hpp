#pragma once
// Seconds since 1970-01-01 00:00 UTC, as every rule's `now` and every time
// the display and the updater reason about. Reading times are epoch
// milliseconds instead; one becomes these seconds by dividing by 1000.
using EpochSeconds = double;
