#pragma once
// "Usage history…": a chart per window that has recorded data.

#include <filesystem>
#include <vector>

#include <QWidget>

#include "store/history_store.hpp"
#include "views/appearance.hpp"

class QVBoxLayout;

class HistoryWindow : public QWidget {
  Q_OBJECT
 public:
  explicit HistoryWindow(QWidget* parent = nullptr);

  // Replaces the charts with those of `entries` at `now`.
  void showHistory(const std::vector<HistoryEntry>& entries, EpochSeconds now, Appearance appearance);
  int chartCount() const;
  Appearance appearance() const { return appearance_; }

 protected:
  // An open window follows a switch of the desktop's scheme, as the menus do.
  bool event(QEvent* event) override;

 private:
  QVBoxLayout* charts_;
  std::vector<HistoryEntry> entries_;
  EpochSeconds now_ = 0;
  Appearance appearance_ = Appearance::light;
};

// The window's content drawn off screen (for renderings and tests), at
// `width` logical pixels and device-pixel ratio `scale`.
QImage renderHistory(const std::vector<HistoryEntry>& entries, EpochSeconds now, Appearance appearance,
                     int width, double scale);
