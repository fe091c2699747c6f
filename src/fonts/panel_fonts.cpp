#include "fonts/panel_fonts.hpp"

#include <algorithm>

#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>

namespace {

// The small system size next to a menu font of usual size (13 to 11).
constexpr double subScale = 0.85;

bool isFigure(QChar c) {
  return c >= u'0' && c <= u'9';
}

double figureCell(const QFontMetricsF& fm) {
  double widest = 0;
  for (char c = '0'; c <= '9'; ++c) widest = std::max(widest, fm.horizontalAdvance(QChar(c)));
  return widest;
}

// A single unwrapped line; the layout picks fallback fonts for scripts the
// font lacks and sizes the line to all of them.
struct Line {
  QTextLayout layout;
  QTextLine line;

  Line(const QString& text, const QFont& font) : layout(text, font) {
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    layout.beginLayout();
    line = layout.createLine();
    if (line.isValid()) line.setPosition(QPointF(0, 0));
    layout.endLayout();
  }

  QSizeF size() const { return line.isValid() ? QSizeF(line.naturalTextWidth(), line.height()) : QSizeF(); }
};

}  // namespace

QFont menuFont() {
  return QApplication::font("QMenu");
}

PanelFonts panelFonts(const QFont& menu) {
  PanelFonts f{menu, menu, menu};
  f.pct.setWeight(QFont::DemiBold);
  if (menu.pointSizeF() > 0) {
    f.sub.setPointSizeF(menu.pointSizeF() * subScale);
  } else if (menu.pixelSize() > 0) {
    f.sub.setPixelSize(std::max(1, int(menu.pixelSize() * subScale + 0.5)));
  }
  return f;
}

QSizeF measureText(const QString& text, const QFont& font) {
  if (text.isEmpty()) return QSizeF(0, QFontMetricsF(font).height());
  return Line(text, font).size();
}

void drawText(QPainter& painter, QPointF topLeft, const QString& text, const QFont& font,
              const QColor& colour) {
  if (text.isEmpty()) return;
  Line line(text, font);
  painter.save();
  painter.setPen(colour);
  line.layout.draw(&painter, topLeft);
  painter.restore();
}

QSizeF measureFigures(const QString& text, const QFont& font) {
  QFontMetricsF fm(font);
  const double cell = figureCell(fm);
  double width = 0;
  for (QChar c : text) width += isFigure(c) ? cell : fm.horizontalAdvance(c);
  return QSizeF(width, fm.height());
}

void drawFigures(QPainter& painter, QPointF topLeft, const QString& text, const QFont& font,
                 const QColor& colour) {
  QFontMetricsF fm(font);
  const double cell = figureCell(fm);
  painter.save();
  painter.setFont(font);
  painter.setPen(colour);
  double x = topLeft.x();
  const double baseline = topLeft.y() + fm.ascent();
  for (QChar c : text) {
    const double advance = fm.horizontalAdvance(c);
    const double box = isFigure(c) ? cell : advance;
    painter.drawText(QPointF(x + (box - advance) / 2, baseline), QString(c));
    x += box;
  }
  painter.restore();
}
