#pragma once
// The panel drawn off screen, on its menu background, for sample sheets.

#include <QImage>

#include "display/shown.hpp"
#include "views/appearance.hpp"

// The panel for `shown` in a standard light or dark menu; the image's
// device-pixel ratio is `scale`, so its logical size is the panel's size.
QImage renderPanel(const Shown& shown, Appearance appearance, double scale = 2, bool checkColumn = false);
