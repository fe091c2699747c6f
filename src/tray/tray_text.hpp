#pragma once
// The tray's words for one display model. Tray hosts that export the menu
// over D-Bus cannot show the drawn panel, so its content also travels as
// plain menu rows.

#include <string>
#include <vector>

#include "display/shown.hpp"

// "Quotalume", then " " and the headline when there is a gauge, then " — "
// and the status line when there is one.
std::string trayToolTip(const Shown& shown);

// The panel is left out when it would be empty: no status, no rows, no footer.
bool panelHidden(const Shown& shown);

// The status line, each window's two lines, then the footer.
std::vector<std::string> panelTextRows(const Shown& shown);
