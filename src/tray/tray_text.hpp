#pragma once
// The tray's words for one display model. Tray hosts that export the menu
// over D-Bus cannot show the drawn panel, so its content also travels as
// plain menu rows.

#include <string>
#include <vector>

#include "display/shown.hpp"
#include "display/tray_choice.hpp"

// "Quotalume", then " " and the glance when it has a gauge (naming its window
// when that is not the 5-hour one), then " — " and the status line when
// there is one.
std::string trayToolTip(const Shown& shown, const Glance& glance);

// What a screen reader says for the icon: the panel's words, after the
// glance when it names another window than the 5-hour one.
std::string trayAccessibleText(const Shown& shown, const Glance& glance);

// The panel is left out when it would be empty: no status, no rows, no footer.
bool panelHidden(const Shown& shown);

// The status line, each window's two lines, then the footer.
std::vector<std::string> panelTextRows(const Shown& shown);
