#pragma once
// The display model as status bars, scripts and terminals read it.

#include <optional>
#include <string>
#include <string_view>

#include "display/shown.hpp"

enum class StatusFormat { text, waybar, json };

// "text", "waybar" or "json"; absent for anything else.
std::optional<StatusFormat> statusFormatNamed(std::string_view name);

// `shown` must be the model built from `saved` at `now`; `saved` adds what the
// model no longer holds (each window's raw percentage, reset moment and pace).
// Every format ends in a line feed.
//  text:   the headline, the status line, the rows with a pace line after a
//          window that runs out before its reset, and the footer.
//  waybar: one JSON line with "text", "tooltip", "class" and "percentage".
//  json:   one JSON line with the model and a "windows" list.
std::string statusOutput(StatusFormat format, const Shown& shown, const Saved& saved, EpochSeconds now);
