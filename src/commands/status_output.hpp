#pragma once
// The display model as status bars, scripts and terminals read it.

#include <optional>
#include <string>
#include <string_view>

#include "display/shown.hpp"
#include "display/tray_choice.hpp"

enum class StatusFormat { text, waybar, json };

// "text", "waybar" or "json"; absent for anything else.
std::optional<StatusFormat> statusFormatNamed(std::string_view name);

// `shown` must be the model built from `saved` at `now`, and `glance` the
// window the tray shows of it; `saved` adds what the model no longer holds
// (each window's raw percentage, reset moment and pace). Every format ends
// in a line feed.
//  text:   the glance (named when it is not the 5-hour window), the status
//          line, the rows with a pace line after a window that runs out
//          before its reset, and the footer.
//  waybar: one JSON line with the glance's "text", "class", "percentage"
//          and, as "alt", its window's key; "tooltip" the whole panel.
//  json:   one JSON line with the model, a "windows" list and the glance's
//          "window" key ("headline" stays the 5-hour one).
std::string statusOutput(StatusFormat format, const Shown& shown, const Glance& glance, const Saved& saved,
                         EpochSeconds now);
