#include "views/info_layout.hpp"

#include <algorithm>
#include <cmath>

#include <QPainter>

namespace InfoLayout {

namespace {

constexpr double trackOpacity = 0.12;

QString qs(const std::string& s) {
  return QString::fromStdString(s);
}

double roundUp(double v) {
  return std::ceil(v);
}

void fillBar(QPainter& painter, const QRectF& rect, const QColor& colour) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(colour);
  const double radius = rect.height() / 2;
  painter.drawRoundedRect(rect, radius, radius);
  painter.restore();
}

// The tick stands out above and below the bar, so it stays visible over a
// fill of its own colour on a greyed panel.
void drawPaceTick(QPainter& painter, double x, double barTop, double trackWidth, double share,
                  const QColor& colour) {
  if (!(share >= 0 && share <= 1) || trackWidth < paceTickWidth) return;
  const double half = paceTickWidth / 2;
  const double centre = std::clamp(x + trackWidth * share, x + half, x + trackWidth - half);
  painter.fillRect(
      QRectF(centre - half, barTop - paceTickOverhang, paceTickWidth, barHeight + 2 * paceTickOverhang),
      colour);
}

}  // namespace

double leftInset(bool checkColumn) {
  return checkColumn ? 24 : 14;
}

bool isEmpty(const Shown& shown) {
  return !shown.status && shown.details.empty() && !shown.footer;
}

QSizeF run(const Shown& shown, double inset, const PanelLook& look, std::optional<Canvas> canvas) {
  const PanelFonts& fonts = look.fonts;
  const PanelColours& colours = look.colours;
  QPainter* painter = canvas ? canvas->painter : nullptr;
  const double x = inset;
  double y = top;
  double maxW = 0;

  if (shown.status) {
    const QString text = qs(*shown.status);
    const QSizeF size = measureText(text, fonts.name);
    if (painter) drawText(*painter, QPointF(x, y), text, fonts.name, colours.label);
    maxW = std::max(size.width(), 0.0);
    y += roundUp(size.height());
    if (!shown.details.empty() || shown.footer) y += gapStatus;
  }

  for (std::size_t i = 0; i < shown.details.size(); ++i) {
    const ShownRow& row = shown.details[i];
    const RowInks inks = rowInks(row.tone, shown.dim());

    const QString name = qs(row.label);
    const QString pct = qs(row.pct);
    const QSizeF nameSize = measureText(name, fonts.name);
    const QSizeF pctSize = measureFigures(pct, fonts.pct);
    const double lineHeight = roundUp(std::max(nameSize.height(), pctSize.height()));
    if (painter) {
      drawText(*painter, QPointF(x, y + (lineHeight - nameSize.height()) / 2), name, fonts.name,
               colours.label);
      drawFigures(*painter,
                  QPointF(canvas->width - right - pctSize.width(), y + (lineHeight - pctSize.height()) / 2),
                  pct, fonts.pct, inkColor(inks.pct, colours));
    }
    y += lineHeight + gapLineBar;

    if (painter) {
      const double trackWidth = std::max(canvas->width - right - x, 0.0);
      QColor track = colours.label;
      track.setAlphaF(float(trackOpacity));
      fillBar(*painter, QRectF(x, y, trackWidth, barHeight), track);
      // The fraction is clamped by the model, but a NaN must not reach the
      // painter as a width.
      if (row.fraction >= minFillFraction) {
        const double fillWidth = std::min(std::max(trackWidth * row.fraction, barHeight), trackWidth);
        fillBar(*painter, QRectF(x, y, fillWidth, barHeight), inkColor(inks.bar, colours));
      }
      if (row.pace) drawPaceTick(*painter, x, y, trackWidth, *row.pace, colours.secondary);
    }
    y += barHeight + gapBarReset;

    const QString reset = qs(row.reset);
    const QSizeF resetSize = measureText(reset, fonts.sub);
    if (painter) drawText(*painter, QPointF(x, y), reset, fonts.sub, colours.secondary);
    y += roundUp(resetSize.height());

    if (i + 1 < shown.details.size()) y += gapBlocks;
    maxW = std::max({maxW, nameSize.width() + nameToPct + pctSize.width(), resetSize.width()});
  }

  if (shown.footer) {
    if (!shown.details.empty()) y += gapBlocks + gapFooter;
    const QString footer = qs(*shown.footer);
    const QSizeF size = measureText(footer, fonts.sub);
    if (painter) drawText(*painter, QPointF(x, y), footer, fonts.sub, colours.secondary);
    maxW = std::max(maxW, size.width());
    y += roundUp(size.height());
  }

  return QSizeF(std::max(minWidth, roundUp(maxW + x + right)), roundUp(y + bottom));
}

}  // namespace InfoLayout
