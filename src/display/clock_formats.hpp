#pragma once
// Local clock times for the reset phrases, through the four formatters that
// initFormatters makes.

#include <string>

#include "readings/reading.hpp"

// "오후 3:20" / "3:20 PM", or with the day "10월 18일 오후 3:20" /
// "Oct 18, 3:20 PM", in the interface language. Empty for NaN.
std::string clockText(EpochSeconds date, bool withDay);
