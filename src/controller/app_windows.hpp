#pragma once
// The app's two ordinary windows: the first-run guide, shown a moment after
// launch, and the usage history, re-used while it exists.

#include <filesystem>
#include <functional>
#include <memory>

#include <QObject>
#include <QUrl>

#include "base/epoch_seconds.hpp"

class GuideWindow;
class HistoryWindow;

class AppWindows : public QObject {
  Q_OBJECT
 public:
  // `showGuide` replaces the guide window when set (tests).
  AppWindows(std::function<void(const QUrl&)> openUrl, std::function<void(bool noTray)> showGuide,
             QObject* parent = nullptr);
  ~AppWindows() override;

  // Shows the guide shortly, with a note when no tray shows the icon.
  void scheduleGuide(bool noTray);
  void openHistory(const std::filesystem::path& historyFile, EpochSeconds now);

 private:
  std::unique_ptr<GuideWindow> guide_;
  std::unique_ptr<HistoryWindow> history_;
  std::function<void(bool)> showGuide_;
};
