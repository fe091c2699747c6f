#include "windows/history_window.hpp"

#include <QEvent>
#include <QImage>
#include <QLabel>
#include <QVBoxLayout>

#include "display/phrases.hpp"
#include "display/usage_cycles.hpp"
#include "views/panel_colours.hpp"
#include "views/usage_chart_view.hpp"

namespace {

constexpr int margin = 16;
constexpr int spacing = 14;

}  // namespace

HistoryWindow::HistoryWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setWindowTitle(QString::fromStdString(T("사용 기록", "Usage history")));
  charts_ = new QVBoxLayout(this);
  charts_->setContentsMargins(margin, margin, margin, margin);
  charts_->setSpacing(spacing);
}

int HistoryWindow::chartCount() const {
  return int(findChildren<UsageChartView*>().size());
}

void HistoryWindow::showHistory(const std::vector<HistoryEntry>& entries, EpochSeconds now,
                                Appearance appearance) {
  entries_ = entries;
  now_ = now;
  appearance_ = appearance;
  while (QLayoutItem* item = charts_->takeAt(0)) {
    delete item->widget();
    delete item;
  }
  setPalette(standardMenuPalette(appearance));
  setAutoFillBackground(true);
  const std::vector<UsageChart> charts = usageCharts(entries);
  if (charts.empty()) {
    auto* empty = new QLabel(
        QString::fromStdString(T("아직 기록이 없어요. 브라우저 확장이 사용량을 보내면 여기에 쌓여요.",
                                 "Nothing recorded yet. Usage builds up here as the "
                                 "browser extension sends it.")),
        this);
    empty->setWordWrap(true);
    charts_->addWidget(empty);
  }
  for (const auto& chart : charts) charts_->addWidget(new UsageChartView(chart, now, appearance, this));
  charts_->addStretch(1);
  adjustSize();
}

bool HistoryWindow::event(QEvent* event) {
  // The app's palette changes after the appearance has been decided. The
  // charts are redrawn once every widget has heard of the change, as they
  // are replaced.
  if (event->type() == QEvent::ApplicationPaletteChange && currentAppearance() != appearance_) {
    QMetaObject::invokeMethod(
        this,
        [this] {
          if (currentAppearance() == appearance_) return;
          const QSize kept = size();
          showHistory(std::vector<HistoryEntry>(entries_), now_, currentAppearance());
          resize(kept);
        },
        Qt::QueuedConnection);
  }
  return QWidget::event(event);
}

QImage renderHistory(const std::vector<HistoryEntry>& entries, EpochSeconds now, Appearance appearance,
                     int width, double scale) {
  HistoryWindow window;
  window.showHistory(entries, now, appearance);
  window.ensurePolished();
  window.layout()->activate();
  window.resize(width, window.sizeHint().height());
  QImage image((QSizeF(window.size()) * scale).toSize(), QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(scale);
  window.render(&image);
  return image;
}
