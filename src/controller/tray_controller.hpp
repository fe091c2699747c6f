#pragma once
// The controller of the tray run: it owns the tray icon, the menus, the
// stored readings, the bridge and the timers, turns readings from the bridge
// into stored state, and redraws the tray and the panel whenever the display
// model changes. Everything here runs on the Qt event loop's thread.

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QByteArray>
#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QUrl>

#include "bridge/bridge_server.hpp"
#include "controller/launch_options.hpp"
#include "desktop/autostart_entry.hpp"
#include "display/shown.hpp"
#include "readings/reading.hpp"
#include "store/history_store.hpp"
#include "store/update_store.hpp"
#include "tray/tray_glyph.hpp"
#include "updater/update_check.hpp"
#include "updater/wake_schedule.hpp"
#include "windows/guide_window.hpp"

class QAction;
class QMenu;
class QTimer;
class QWidgetAction;
class AppActivation;
class AppearanceWatcher;
class HistoryWindow;
class InfoView;
class InstanceLock;
class LimitNotifier;
class PanelWindow;
class TrayPresence;
class ReadingQueue;
namespace Updater {
class WakeWatcher;
}

// What the controller needs from the outside world. The defaults are the real
// desktop; tests swap in a clock, capture alerts and opened pages, and point
// the files at a temporary folder.
struct ControllerServices {
  std::function<EpochSeconds()> now;
  std::function<void(const QUrl&)> openUrl;
  // Shows a modal message with one button and returns when it is dismissed.
  std::function<void(const QString&)> alert;
  std::function<void(const Shown&, const ListenState&)> writeState;
  std::function<bool()> trayAvailable;
  std::function<void(bool noTray)> showGuide;  // empty: the guide window
  BridgeSettings bridge;
  std::filesystem::path lastFile;
  std::filesystem::path updateFile;
  std::filesystem::path lockFile;
  AutostartEntry autostart;
  std::filesystem::path alertsFile;
  // The user's INI settings file, shared with the updater.
  std::filesystem::path settingsFile;
  // Where limit notices and the tray item go; empty: the session bus.
  std::function<QDBusConnection()> sessionBus;
  // The usage history; empty: none is kept.
  std::filesystem::path historyFile;
  // The updater's effects; the controller adds its own feed handler and
  // --update-now.
  Updater::UpdaterServices updater;

  static ControllerServices system(const std::string& executable);
};

class TrayController : public QObject {
  Q_OBJECT
 public:
  TrayController(LaunchOptions options, ControllerServices services, QObject* parent = nullptr);
  ~TrayController() override;

  // The launch sequence. False when another copy already runs: the caller
  // then ends the process without starting anything.
  bool launch();
  // After a launch that found another copy: whether that copy was reached.
  bool reachedRunningCopy() const { return reachedRunningCopy_; }

  void render(bool force);

  // The steps of the timers and menu callbacks, public so that the rules can
  // be driven without waiting.
  void thirtySecondTick();
  void aboutToShow();
  void menuOpened();
  void menuClosed();
  // Opens the drawn panel with the commands beside the tray icon at
  // `anchor` (global coordinates; an invalid rectangle when the host did not
  // say: then beside the pointer). On Wayland the compositor places it.
  void showPanel(const QRect& anchor);
  // What a second start asks for: the panel beside the icon, as a click on
  // it opens it, or where no tray shows the icon the panel window, brought
  // to the front with the launcher's token.
  void activate(const std::optional<QByteArray>& launchToken = std::nullopt);
  void drainReadings();
  // What the bridge thread calls for each reading; safe from any thread.
  void enqueue(Reading reading);

  // Menu actions.
  void openInstall();
  void openPage();
  void toggleAutostart();
  void setNotifyNearLimits(bool on);
  void checkUpdates();
  void openSupport();
  void openHistory();
  void quit();

  // The updater's side of the controller. feedArrived is installed as
  // Updater::Updates' feed handler at launch; handleWake runs on every wake from sleep and
  // returns whether it scheduled a check.
  void feedArrived(const std::optional<std::string>& support, EpochSeconds at);
  void applySupport();
  bool handleWake(EpochSeconds now);
  // Its scheduleAfterWake and runAutoCheck hooks are replaceable.
  Updater::WakeSchedule& wakeSchedule() { return wake_; }
  Updater::Updates& updates() { return updates_; }

  const Saved& saved() const { return saved_; }
  bool freshThisSession() const { return freshThisSession_; }
  const ListenState& listen() const { return listen_; }
  const std::optional<Shown>& lastShown() const { return lastShown_; }
  bool menuOpen() const { return menuOpen_; }
  bool tickerRunning() const;
  bool autostartOn() const { return autostartOn_; }
  const UpdateState& updateState() const { return updateState_; }
  const std::string& toolTip() const { return toolTip_; }
  const TrayGlyphSpec& traySpec() const { return traySpec_; }
  std::uint16_t bridgePort() const;

  // The panel menu opened by a click on the icon, and the context menu every
  // tray host can show; both end with the same commands.
  QMenu* panelMenu() const { return panelMenu_.get(); }
  QMenu* contextMenu() const { return contextMenu_.get(); }
  PanelWindow* panelWindow() const;
  QAction* updateItem() const { return updateItem_; }
  QAction* notifyItem() const { return notifyItem_; }
  QAction* supportItem() const { return supportItem_; }
  QAction* supportSeparator() const { return supportSeparator_; }
  // Present once launch has started the update schedule.
  QTimer* dailyCheck() const { return dailyCheck_; }
  Updater::WakeWatcher* wakeWatcher() const { return wakeWatcher_; }

 signals:
  // Each reading the reading rule keeps in this session, in arrival order;
  // never one loaded from disk.
  void readingAccepted(const Reading& reading);

 private:
  QDBusConnection bus() const;
  void checkDataFolder();
  void showPanelWindow(const std::optional<QByteArray>& launchToken = std::nullopt);
  void buildMenu();
  void setListen(const ListenState& state);
  void attachTray();
  void applyContextRows(const std::vector<std::string>& rows, bool hidden);
  void scheduleGuide(bool noTray);
  void startUpdateChecks();
  void setSupportVisible(bool visible);

  LaunchOptions options_;
  ControllerServices services_;

  Saved saved_;
  History::Recorder history_{services_.historyFile};
  bool freshThisSession_ = false;
  ListenState listen_ = ListenState::starting();
  std::unique_ptr<BridgeServer> server_;
  std::shared_ptr<ReadingQueue> queue_;
  std::unique_ptr<GuideWindow> guide_;
  std::unique_ptr<HistoryWindow> historyWindow_;
  std::unique_ptr<InstanceLock> instance_;
  std::unique_ptr<LimitNotifier> notifier_;
  QTimer* timer_ = nullptr;
  QTimer* ticker_ = nullptr;
  bool autostartOn_ = false;
  bool menuOpen_ = false;
  bool renderedThisTurn_ = false;
  std::optional<Shown> lastShown_;
  ListenState lastListen_;
  UpdateState updateState_;
  Updater::Updates updates_;
  Updater::WakeSchedule wake_;
  QTimer* dailyCheck_ = nullptr;
  Updater::WakeWatcher* wakeWatcher_ = nullptr;
  std::string toolTip_;
  TrayGlyphSpec traySpec_;
  bool trayMissingLogged_ = false;
  bool reachedRunningCopy_ = false;
  // Why the data folder keeps nothing, when it does not.
  std::optional<std::string> dataProblem_;
  // Where the icon was last clicked, for opening the panel there again.
  QRect lastAnchor_;

  std::unique_ptr<QMenu> panelMenu_;
  std::unique_ptr<QMenu> contextMenu_;
  InfoView* infoView_ = nullptr;
  QWidgetAction* infoItem_ = nullptr;
  QAction* infoSeparator_ = nullptr;
  std::vector<QAction*> textRows_;
  QAction* textSeparator_ = nullptr;
  QAction* installItem_ = nullptr;
  QAction* autostartItem_ = nullptr;
  QAction* notifyItem_ = nullptr;
  QAction* updateItem_ = nullptr;
  QAction* pageItem_ = nullptr;
  QAction* supportItem_ = nullptr;
  QAction* supportSeparator_ = nullptr;
  QAction* quitItem_ = nullptr;
  QList<QAction*> commands_;  // what both menus and the panel window offer
  TrayPresence* tray_ = nullptr;
  AppActivation* activation_ = nullptr;
  QPointer<PanelWindow> panelWindow_;
  AppearanceWatcher* appearance_ = nullptr;
};
