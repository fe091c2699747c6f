#pragma once
// Icons drawn by code at whatever size and pixel ratio the caller asks for,
// so they stay crisp on HiDPI screens without a set of bitmaps.

#include <functional>

#include <QIcon>
#include <QImage>
#include <QRectF>

class QPainter;

using IconPainter = std::function<void(QPainter& painter, const QRectF& square)>;

// `side` is the natural size in device-independent pixels.
QIcon paintedIcon(IconPainter draw, double side);

// The drawing on a transparent square of `pixels` × `pixels`.
QImage paintedImage(const IconPainter& draw, int pixels);
