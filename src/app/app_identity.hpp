#pragma once
// How the application names itself to the desktop.

#include <string_view>

// Identifies a running copy, so a second start can find the first.
inline constexpr std::string_view bundleID = "kr.co.fernhallow.Quotalume";
