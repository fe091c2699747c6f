#pragma once
// The words the user reads: the language switch and the small phrases the
// display model is assembled from. Every user-visible string passes through T.

#include <cstdint>
#include <string>
#include <string_view>

#include "readings/reading.hpp"
#include "readings/window_state.hpp"

// Fixed once at start; only tests and the self-check switch it later.
extern bool isKorean;

// The Korean text when isKorean is set, else the English one.
std::string T(std::string_view ko, std::string_view en);

// Joins phrase parts: space, U+00B7 MIDDLE DOT, space.
inline constexpr std::string_view partSeparator = " \u00B7 ";

// Creates the four clock formatters (ko_KR "a h:mm", en_US "h:mm a",
// ko_KR "M월 d일 a h:mm", en_US "MMM d, h:mm a") in ICU's default time zone.
// Start-up calls it once, after the time zone is settled; the phrases make
// them on first use if nobody did. Calling it again rebuilds them, which is
// how tests pin a zone. Main thread only, like every phrase below.
void initFormatters();

// "42%": rounded half away from zero, through safeInt.
std::string pctText(double pct);

// The whole number pctText shows, for anything else that names it.
std::int64_t roundedPct(double pct);

// The display name of a window key; an unknown key is shown as it is.
std::string windowLabel(std::string_view key);

// Whole minutes for a phrase: rounded up, and never below one.
std::int64_t phraseMinutes(double seconds);

// A span of minutes the way the reset phrases say it: "40m", "2h 10m", "4d 6h"
// (the leftover minutes of a day or more are dropped).
std::string durationText(std::int64_t minutes);

// The time-to-reset phrase, never less than one minute, with the local
// clock time of `date` appended from an hour on.
std::string remainingText(EpochSeconds date, EpochSeconds now);

// The reset phrase of one window in the given state.
std::string resetLine(const WinState& state, EpochSeconds now);

// How old the data is, for example "5 min ago".
std::string agoText(double seconds);

// The status line while the data folder takes no files: what the panel shows
// is not kept past this run.
std::string unsavedReadingsNote();
