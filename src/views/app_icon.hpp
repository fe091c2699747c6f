#pragma once
// The application's own icon: the gauge on a light rounded tile. The same
// drawing ships as data/quotalume.svg for the desktop entry.

#include <QIcon>
#include <QImage>
#include <QRectF>

class QPainter;

// The share the icon's gauge shows: a little past half, blue.
inline constexpr double appIconValue = 0.62;

void drawAppIcon(QPainter& painter, const QRectF& square);
QIcon appIcon();
QImage renderAppIcon(int pixels);
