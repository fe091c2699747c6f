#include "controller/app_windows.hpp"

#include <QTimer>

#include "store/history_store.hpp"
#include "views/appearance.hpp"
#include "windows/guide_window.hpp"
#include "windows/history_window.hpp"

namespace {

constexpr int guideDelayMs = 600;

}  // namespace

AppWindows::AppWindows(std::function<void(const QUrl&)> openUrl, std::function<void(bool)> showGuide,
                       QObject* parent)
    : QObject(parent),
      guide_(std::make_unique<GuideWindow>(std::move(openUrl))),
      showGuide_(std::move(showGuide)) {}

AppWindows::~AppWindows() = default;

void AppWindows::scheduleGuide(bool noTray) {
  QTimer::singleShot(guideDelayMs, this, [this, noTray] {
    if (showGuide_) {
      showGuide_(noTray);
      return;
    }
    guide_->setNote(noTray ? noTrayNote() : QString());
    guide_->show();
  });
}

void AppWindows::openHistory(const std::filesystem::path& historyFile, EpochSeconds now) {
  if (!history_) history_ = std::make_unique<HistoryWindow>();
  history_->showHistory(History::load(historyFile, now), now, currentAppearance());
  history_->show();
  history_->raise();
  history_->activateWindow();
}
