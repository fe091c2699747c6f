#pragma once
// Icons drawn by code at whatever size and pixel ratio the caller asks for,
// so they stay crisp on HiDPI screens without a set of bitmaps.

#include <functional>
#include <span>

#include <QIcon>
#include <QImage>
#include <QRectF>

class QPainter;

using IconPainter = std::function<void(QPainter& painter, const QRectF& square)>;

// `side` is the natural size in device-independent pixels.
QIcon paintedIcon(IconPainter draw, double side);
// For hosts that pick from the sizes an icon lists: it lists `sides`, and is
// still drawn afresh at any size asked for.
QIcon paintedIcon(IconPainter draw, std::span<const int> sides);

// The drawing on a transparent square of `pixels` × `pixels`.
QImage paintedImage(const IconPainter& draw, int pixels);
