#pragma once
// The tray run's shell around the monitor: it starts the bridge and hands
// its readings to the monitor, draws each model the monitor hands up into
// the tray icon, the menus and the panel, runs the timers, and answers the
// menu's commands. Everything here runs on the Qt event loop's thread, except
// enqueue(), which the bridge thread calls.

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include <QByteArray>
#include <QDBusConnection>
#include <QObject>
#include <QRect>
#include <QString>
#include <QUrl>

#include "bridge/bridge_server.hpp"
#include "controller/launch_options.hpp"
#include "desktop/autostart_entry.hpp"
#include "monitor/monitor.hpp"
#include "tray/tray_glyph.hpp"
#include "updater/updater_services.hpp"

class QTimer;
class AppActivation;
class AppearanceWatcher;
class AppWindows;
class CommandMenus;
class InstanceLock;
class LimitNotifier;
class MenuTicker;
class PanelOpener;
class TrayPresence;
class UpdateSchedule;

struct ControllerFiles {
  MonitorFiles monitor;
  std::filesystem::path update;
  std::filesystem::path lock;
  // The user's INI settings file, shared with the updater.
  std::filesystem::path settings;
};

// What the controller needs from the outside world. The defaults are the real
// desktop; tests swap in a clock, capture alerts and opened pages, and point
// the files at a temporary folder.
struct ControllerServices {
  std::function<EpochSeconds()> now;
  std::function<void(const QUrl&)> openUrl;
  // Shows a modal message with one button and returns when it is dismissed.
  std::function<void(const QString&)> alert;
  std::function<void(const Frame&, const ListenState&, EpochSeconds)> writeState;
  std::function<bool()> trayAvailable;
  std::function<void(bool noTray)> showGuide;  // empty: the guide window
  BridgeSettings bridge;
  ControllerFiles files;
  AutostartEntry autostart;
  // Where limit notices and the tray item go; empty: the session bus.
  std::function<QDBusConnection()> sessionBus;
  // The updater's effects; the controller adds its own feed handler.
  Updater::UpdaterServices updater;

  static ControllerServices system(const std::string& executable);
};

// What the tray icon shows now.
struct TrayFace {
  TrayGlyph glyph;
  std::string toolTip;
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

  // Draws the monitor's model when it changed, or always with `force`.
  void render(bool force);
  void thirtySecondTick();
  // A menu is about to show: the autostart entry is read again and the
  // panel drawn. Public so that the rule can be driven without waiting.
  void aboutToShow();
  // The panel beside the icon at `anchor`, or where a second start asks for it.
  void showPanel(const QRect& anchor);
  // With the launcher's token, for the window it shows.
  void activate(const std::optional<QByteArray>& launchToken = std::nullopt);
  // What the bridge thread calls for each reading; safe from any thread.
  void enqueue(Reading reading);
  void drainReadings();
  void toggleAutostart();
  void setNotifyNearLimits(bool on);
  void setTrayWindow(TrayWindow choice);
  void openHistory();

  const Monitor& monitor() const { return monitor_; }
  CommandMenus& menus() const { return *menus_; }
  PanelOpener& panel() const { return *panel_; }
  UpdateSchedule& updates() const { return *updates_; }
  const TrayFace& face() const { return face_; }
  MenuTicker& ticker() const { return *ticker_; }
  bool autostartOn() const { return autostartOn_; }
  std::uint16_t bridgePort() const;

 private:
  QDBusConnection bus() const;
  void wireCommands();
  void attachTray();
  void followAppearance();
  void reportDataFolder();

  LaunchOptions options_;
  ControllerServices services_;
  Monitor monitor_;
  std::unique_ptr<BridgeServer> server_;
  std::unique_ptr<InstanceLock> instance_;
  CommandMenus* menus_;
  PanelOpener* panel_;
  UpdateSchedule* updates_;
  AppWindows* windows_;
  LimitNotifier* notifier_ = nullptr;
  TrayPresence* tray_ = nullptr;
  AppActivation* activation_ = nullptr;
  AppearanceWatcher* appearance_ = nullptr;
  QTimer* timer_;
  MenuTicker* ticker_;
  TrayFace face_;
  bool autostartOn_ = false;
  bool renderedThisTurn_ = false;
  bool trayMissingLogged_ = false;
  bool reachedRunningCopy_ = false;
};
