#include "views/painted_icon.hpp"

#include <algorithm>
#include <cmath>
#include <utility>

#include <QIconEngine>
#include <QPainter>
#include <QPixmap>

namespace {

class PaintedEngine : public QIconEngine {
 public:
  PaintedEngine(IconPainter draw, QList<QSize> sizes) : draw_(std::move(draw)), sizes_(std::move(sizes)) {}

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
    if (!painter || !painter->isActive()) return;
    const double side = std::min(rect.width(), rect.height());
    draw_(*painter,
          QRectF(rect.x() + (rect.width() - side) / 2, rect.y() + (rect.height() - side) / 2, side, side));
  }

  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    return scaledPixmap(size, mode, state, 1.0);
  }

  // Qt hands over the size in device pixels already multiplied by `scale`.
  QPixmap scaledPixmap(const QSize& size, QIcon::Mode, QIcon::State, qreal scale) override {
    QPixmap pm = QPixmap::fromImage(paintedImage(draw_, std::min(size.width(), size.height())));
    pm.setDevicePixelRatio(scale > 0 ? scale : 1.0);
    return pm;
  }

  QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
    const int side = std::min(size.width(), size.height());
    return QSize(side, side);
  }

  QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override { return sizes_; }

  QString key() const override { return QStringLiteral("quotalume-painted"); }
  QIconEngine* clone() const override { return new PaintedEngine(*this); }

 private:
  IconPainter draw_;
  QList<QSize> sizes_;
};

}  // namespace

QIcon paintedIcon(IconPainter draw, double side) {
  const int pixels = std::max(1, int(std::lround(side)));
  return QIcon(new PaintedEngine(std::move(draw), {QSize(pixels, pixels)}));
}

QIcon paintedIcon(IconPainter draw, std::span<const int> sides) {
  QList<QSize> sizes;
  for (int side : sides) sizes.push_back(QSize(side, side));
  return QIcon(new PaintedEngine(std::move(draw), std::move(sizes)));
}

QImage paintedImage(const IconPainter& draw, int pixels) {
  const int side = std::max(pixels, 1);
  QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  draw(painter, QRectF(0, 0, side, side));
  return image;
}
