#pragma once
// The desktop's interface font at a size given in device-independent pixels,
// which is the unit of every window and picture geometry here.

#include <QFont>

QFont uiFont(int pixels, QFont::Weight weight = QFont::Normal);
