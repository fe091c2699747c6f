#include "views/usage_chart_paint.hpp"

#include <algorithm>
#include <cmath>

#include <QPainter>
#include <QPainterPath>

#include "display/clock_formats.hpp"
#include "display/phrases.hpp"

namespace {

constexpr double titleGap = 6;
constexpr double axisGap = 4;
constexpr double usageWidth = 2;
constexpr double earlierAlpha = 0.28;
constexpr double dotRadius = 3.5;

QString qs(const std::string& text) {
  return QString::fromStdString(text);
}

QPointF point(const ChartPoint& p) {
  return {p.x, p.y};
}

QColor faded(QColor colour, double alpha) {
  colour.setAlphaF(float(colour.alphaF() * alpha));
  return colour;
}

void drawLines(QPainter& painter, const ChartFrame& frame, const UsageCycle& cycle, const QPen& pen) {
  painter.setPen(pen);
  for (const auto& line : usagePolylines(frame, cycle)) {
    if (line.size() == 1) {
      painter.drawPoint(point(line[0]));
      continue;
    }
    QPainterPath path(point(line[0]));
    for (std::size_t i = 1; i < line.size(); ++i) path.lineTo(point(line[i]));
    painter.drawPath(path);
  }
}

}  // namespace

std::string readingLabel(const CyclePoint& p) {
  return clockText(p.at, true) + std::string(partSeparator) + pctText(p.pct);
}

ChartFrame usageChartFrame(const QRectF& box, const UsageChart& chart, const PanelLook& look) {
  const double title = measureText(QStringLiteral("Ag"), look.fonts.name).height();
  const QSizeF axis = measureFigures(QStringLiteral("100%"), look.fonts.sub);
  const double left = box.left() + axis.width() + axisGap;
  const double top = box.top() + title + titleGap + axis.height() / 2;
  const double bottom = box.bottom() - axis.height() - axisGap;
  return {left, top, box.right() - left - axis.width() / 2, bottom - top,
          chart.current.end - chart.current.start};
}

void paintUsageChart(QPainter& painter, const QRectF& box, const UsageChart& chart, EpochSeconds now,
                     const PanelLook& look, std::optional<std::size_t> focused) {
  const PanelColours& ink = look.colours;
  const PanelFonts& fonts = look.fonts;
  const ChartFrame frame = usageChartFrame(box, chart, look);
  const UsageCycle& current = chart.current;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);

  // Title: the window's name, and the latest percentage on the right.
  drawText(painter, box.topLeft(), qs(windowLabel(chart.key)), fonts.name, ink.label);
  if (!current.points.empty()) {
    const QString latest = qs(pctText(current.points.back().pct));
    const double width = measureFigures(latest, fonts.pct).width();
    drawFigures(painter, {box.right() - width, box.top()}, latest, fonts.pct, ink.label);
  }

  // Grid and percent axis.
  const double axisHeight = measureFigures(QStringLiteral("0%"), fonts.sub).height();
  for (double pct : {0.0, 50.0, 100.0}) {
    const double y = frame.y(pct);
    painter.setPen(QPen(faded(ink.secondary, pct == 0 ? 0.6 : 0.25), 1));
    painter.drawLine(QPointF(frame.left, y), QPointF(frame.left + frame.width, y));
    const QString text = qs(pctText(pct));
    const double width = measureFigures(text, fonts.sub).width();
    drawFigures(painter, {frame.left - axisGap - width, y - axisHeight / 2}, text, fonts.sub, ink.secondary);
  }

  // Time axis: the cycle's start and its reset.
  const double axisTop = frame.top + frame.height + axisGap;
  const bool long_ = frame.length > 86400;
  drawText(painter, {frame.left, axisTop}, qs(clockText(current.start, long_)), fonts.sub, ink.secondary);
  const QString reset = qs(T("리셋 ", "resets ") + clockText(current.end, true));
  drawText(painter, {frame.left + frame.width - measureText(reset, fonts.sub).width(), axisTop}, reset,
           fonts.sub, ink.secondary);

  // Earlier cycles first, so the current one lies on top.
  for (const auto& cycle : chart.earlier) {
    drawLines(painter, frame, cycle,
              QPen(faded(ink.barBlue, earlierAlpha), 1.5, Qt::SolidLine, Qt::RoundCap));
    if (cycle.ranOutAt) {
      painter.setPen(QPen(faded(ink.red, 0.5), 1.5));
      const double x = frame.x(*cycle.ranOutAt - cycle.start);
      painter.drawLine(QPointF(x, frame.y(100) - 4), QPointF(x, frame.y(100) + 4));
    }
  }

  // The even pace, in the ink of the panel's pace tick.
  const auto [from, to] = paceDiagonal(frame);
  painter.setPen(QPen(ink.secondary, 1));
  painter.drawLine(point(from), point(to));

  drawLines(painter, frame, current,
            QPen(ink.barBlue, usageWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));

  if (now > current.start && now < current.end) {
    const double x = frame.x(now - current.start);
    painter.setPen(QPen(faded(ink.label, 0.45), 1, Qt::DashLine));
    painter.drawLine(QPointF(x, frame.top), QPointF(x, frame.top + frame.height));
  }
  if (!current.points.empty()) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink.barBlue);
    painter.drawEllipse(point(frame.at(current, current.points.back())), dotRadius, dotRadius);
  }

  if (current.ranOutAt) {
    const QPointF out(frame.x(*current.ranOutAt - current.start), frame.y(100));
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink.red);
    painter.drawEllipse(out, dotRadius + 0.5, dotRadius + 0.5);
    const QString text = qs(T("소진 ", "ran out ") + clockText(*current.ranOutAt, long_));
    const double width = measureText(text, fonts.sub).width();
    const double x = std::min(out.x() + 2 * dotRadius, frame.left + frame.width - width);
    drawText(painter, {std::max(frame.left, x), frame.top + 2}, text, fonts.sub, ink.red);
  }

  if (focused && *focused < current.points.size()) {
    const CyclePoint& reading = current.points[*focused];
    const QPointF at = point(frame.at(current, reading));
    painter.setPen(QPen(faded(ink.label, 0.35), 1));
    painter.drawLine(QPointF(at.x(), frame.top), QPointF(at.x(), frame.top + frame.height));
    painter.setPen(QPen(ink.window, 1.5));
    painter.setBrush(ink.label);
    painter.drawEllipse(at, dotRadius, dotRadius);
    const QString text = qs(readingLabel(reading));
    const QSizeF size = measureText(text, fonts.sub);
    const double x =
        std::clamp(at.x() - size.width() / 2, frame.left, frame.left + frame.width - size.width());
    const QRectF label(x - 4, frame.top + frame.height - size.height() - 6, size.width() + 8,
                       size.height() + 4);
    painter.setPen(Qt::NoPen);
    painter.setBrush(faded(ink.window, 0.92));
    painter.drawRoundedRect(label, 4, 4);
    drawText(painter, label.topLeft() + QPointF(4, 2), text, fonts.sub, ink.label);
  }
  painter.restore();
}
