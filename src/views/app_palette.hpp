#pragma once
// The whole application in the desktop's light or dark: the panel's menu,
// the guide and the alerts all take Qt's palette, which on desktops without
// a Qt platform theme stays light whatever the desktop chose.

#include "views/appearance.hpp"

// Fusion with the standard menu palette of `appearance`, for every widget.
void applyAppearance(Appearance appearance);
