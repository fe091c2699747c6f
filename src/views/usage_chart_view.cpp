#include "views/usage_chart_view.hpp"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "display/phrases.hpp"
#include "views/usage_chart_paint.hpp"

namespace {

constexpr int chartMinimumWidth = 420;

}  // namespace

UsageChartView::UsageChartView(UsageChart chart, EpochSeconds now, Appearance appearance, QWidget* parent)
    : QWidget(parent), chart_(std::move(chart)), now_(now), appearance_(appearance) {
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setMinimumSize(chartMinimumWidth, int(usageChartHeight));
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  setAccessibleName(QString::fromStdString(windowLabel(chart_.key)));
}

QSize UsageChartView::sizeHint() const {
  return {560, int(usageChartHeight)};
}

PanelLook UsageChartView::look() const {
  return PanelLook{panelFonts(menuFont()), panelColours(palette(), appearance_)};
}

void UsageChartView::focusReading(std::optional<std::size_t> index) {
  if (index == focused_) return;
  focused_ = index;
  if (focused_)
    setAccessibleDescription(QString::fromStdString(readingLabel(chart_.current.points[*focused_])));
  update();
}

void UsageChartView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  paintUsageChart(painter, QRectF(rect()), chart_, now_, look(), focused_);
}

void UsageChartView::mouseMoveEvent(QMouseEvent* event) {
  const ChartFrame frame = usageChartFrame(QRectF(rect()), chart_, look());
  focusReading(nearestReading(frame, chart_.current, event->position().x()));
}

void UsageChartView::leaveEvent(QEvent*) {
  if (!hasFocus()) focusReading(std::nullopt);
}

void UsageChartView::keyPressEvent(QKeyEvent* event) {
  const std::size_t count = chart_.current.points.size();
  if (count == 0 || (event->key() != Qt::Key_Left && event->key() != Qt::Key_Right)) {
    QWidget::keyPressEvent(event);
    return;
  }
  std::size_t index = focused_.value_or(count - 1);
  if (event->key() == Qt::Key_Left && index > 0 && focused_) --index;
  if (event->key() == Qt::Key_Right && index + 1 < count && focused_) ++index;
  focusReading(index);
}

void UsageChartView::focusInEvent(QFocusEvent*) {
  if (!chart_.current.points.empty() && !focused_) focusReading(chart_.current.points.size() - 1);
}

void UsageChartView::focusOutEvent(QFocusEvent*) {
  focusReading(std::nullopt);
}
