#pragma once
// One usage chart as a widget: hover or the arrow keys pick a reading of the
// current cycle, whose time and percentage the chart then labels.

#include <optional>

#include <QWidget>

#include "display/usage_cycles.hpp"
#include "views/appearance.hpp"
#include "views/info_layout.hpp"

class UsageChartView : public QWidget {
  Q_OBJECT
 public:
  UsageChartView(UsageChart chart, EpochSeconds now, Appearance appearance, QWidget* parent = nullptr);

  std::optional<std::size_t> focusedReading() const { return focused_; }
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  PanelLook look() const;
  void focusReading(std::optional<std::size_t> index);

  UsageChart chart_;
  EpochSeconds now_;
  Appearance appearance_;
  std::optional<std::size_t> focused_;
};
