#include "controller/tray_controller.hpp"

#include <iostream>

#include <QApplication>
#include <QDesktopServices>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

#include "base/app_version.hpp"
#include "base/wall_clock.hpp"
#include "controller/app_activation.hpp"
#include "controller/app_windows.hpp"
#include "controller/command_menus.hpp"
#include "controller/limit_notifier.hpp"
#include "controller/menu_ticker.hpp"
#include "controller/panel_opener.hpp"
#include "controller/single_instance.hpp"
#include "controller/update_schedule.hpp"
#include "desktop/links.hpp"
#include "display/phrases.hpp"
#include "display/state_file.hpp"
#include "monitor/data_folder.hpp"
#include "store/log.hpp"
#include "store/process_paths.hpp"
#include "store/settings_file.hpp"
#include "tray/tray_presence.hpp"
#include "tray/tray_text.hpp"
#include "updater/update_leftovers.hpp"
#include "views/app_palette.hpp"
#include "views/appearance.hpp"
#include "views/info_view.hpp"
#include "views/modal_alert.hpp"

namespace {

constexpr int refreshMs = 30000;

QString localized(std::string_view ko, std::string_view en) {
  return QString::fromStdString(T(ko, en));
}

void modalAlert(const QString& message) {
  runModalAlert({message.toStdString(), "", {T("확인", "OK")}});
}

void openLink(const ControllerServices& services, const std::string& address) {
  services.openUrl(QUrl(QString::fromStdString(address)));
}

}  // namespace

ControllerServices ControllerServices::system(const std::string& executable) {
  const Store::EnvLookup env = Store::processEnvironment();
  return ControllerServices{
      .now = wallClockNow,
      .openUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); },
      .alert = modalAlert,
      .writeState =
          [](const Frame& frame, const ListenState& listen, EpochSeconds at) {
            Store::writeState(frame.shown, frame.glance, listen, appVersion(), at);
          },
      .trayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); },
      .showGuide = {},
      .bridge = {.now = wallClockNow, .log = [](std::string_view line) { log(std::string(line)); }},
      .files = {.monitor = {.last = Store::lastPath(),
                            .alerts = AlertStore::path(),
                            .history = History::path()},
                .update = UpdateStore::path(),
                .lock = instanceLockPath(env, dataDir()),
                .settings = Settings::userFile()},
      .autostart = AutostartEntry(autostartEntryPath(env, Store::homeDirectory(env)), executable),
      .sessionBus = {},
      .updater = Updater::defaultUpdaterServices(),
  };
}

TrayController::TrayController(LaunchOptions options, ControllerServices services, QObject* parent)
    : QObject(parent),
      options_(options),
      services_(std::move(services)),
      monitor_(services_.files.monitor,
               {.log = [](std::string_view line) { log(line); }, .writeState = services_.writeState}),
      server_(std::make_unique<BridgeServer>(services_.bridge)),
      menus_(new CommandMenus(this)),
      panel_(new PanelOpener(menus_->panelMenu(), menus_->infoView(), menus_->commands(), this)),
      updates_(new UpdateSchedule(services_.updater, services_.files.update, services_.now, this)),
      windows_(new AppWindows(services_.openUrl, services_.showGuide, this)),
      timer_(new QTimer(this)),
      ticker_(new MenuTicker([this] { render(false); }, this)) {
  timer_->setInterval(refreshMs);
  connect(timer_, &QTimer::timeout, this, &TrayController::thirtySecondTick);
  connect(updates_, &UpdateSchedule::supportVisible, menus_, &CommandMenus::setSupportVisible);
  wireCommands();
}

TrayController::~TrayController() {
  // The bridge thread calls back into this object; it stops first.
  server_.reset();
}

std::uint16_t TrayController::bridgePort() const {
  return server_->port();
}

bool TrayController::launch() {
  instance_ = std::make_unique<InstanceLock>(services_.files.lock);
  if (!instance_->acquire()) {
    log("already running, quitting this copy");
    reachedRunningCopy_ = reachRunningCopy(bus(), instance_->holder());
    return false;
  }
  log("launch Quotalume " + std::string(appVersion()));
  Updater::sweepLeftovers(updates_->updates().services().hooks.executable());
  monitor_.load(services_.now());
  reportDataFolder();
  updates_->load();

  notifier_ = new LimitNotifier(
      bus(), [](std::string_view line) { log(line); }, this);
  const bool notify = Settings::notifyNearLimits(services_.files.settings);
  monitor_.notices().setEnabled(notify);
  menus_->setNotifyChecked(notify);
  autostartOn_ = services_.autostart.enabled();
  const TrayWindow shownWindow =
      trayWindowOr(Settings::read(services_.files.settings, Settings::trayWindowKey));
  monitor_.setTrayWindow(shownWindow);
  menus_->setTrayWindowChecked(shownWindow);

  followAppearance();
  // The tray exists before the first render, which draws into it.
  attachTray();
  render(false);

  server_->onState([this](const ListenState& state) {
    QMetaObject::invokeMethod(
        this,
        [this, state] {
          monitor_.setListen(state);
          render(false);
        },
        Qt::QueuedConnection);
  });
  server_->onReading([this](const Reading& reading) { enqueue(reading); });
  server_->start();
  timer_->start();

  const bool noTray = !tray_->attached();
  if (options_.guide && (!monitor_.saved().latest || noTray)) windows_->scheduleGuide(noTray);
  if (options_.updateChecks) updates_->start(options_.updateNow);
  // Last, so that a second start is only answered by a copy that can show
  // its panel.
  activation_ = new AppActivation(this);
  connect(activation_, &AppActivation::activated, this, &TrayController::activate);
  if (const auto why = activation_->publish(bus())) log("a second start cannot reach this copy: " + *why);
  return true;
}

QDBusConnection TrayController::bus() const {
  return services_.sessionBus ? services_.sessionBus() : QDBusConnection::sessionBus();
}

void TrayController::reportDataFolder() {
  // The log lies in the same folder unless told otherwise, and then the
  // monitor's line about it would be lost with it.
  if (const auto& problem = monitor_.dataProblem(); problem && dataFolderProblem(logPath().parent_path()))
    std::cerr << "quotalume: readings are not saved: " << *problem << "\n";
}

void TrayController::wireCommands() {
  const CommandMenus* m = menus_;
  connect(m, &CommandMenus::installChosen, this, [this] { openLink(services_, Links::installTarget()); });
  connect(m, &CommandMenus::autostartChosen, this, &TrayController::toggleAutostart);
  connect(m, &CommandMenus::notifyToggled, this, &TrayController::setNotifyNearLimits);
  connect(m, &CommandMenus::trayWindowChosen, this, &TrayController::setTrayWindow);
  connect(m, &CommandMenus::updateChosen, updates_, &UpdateSchedule::checkFromMenu);
  connect(m, &CommandMenus::pageChosen, this, [this] { openLink(services_, Links::page()); });
  connect(m, &CommandMenus::historyChosen, this, &TrayController::openHistory);
  connect(m, &CommandMenus::supportChosen, this, [this] { openLink(services_, Links::support()); });
  connect(m, &CommandMenus::quitChosen, this, &QCoreApplication::quit);
  connect(m, &CommandMenus::aboutToShow, this, [this] {
    aboutToShow();
    ticker_->opened();
  });
  connect(panel_, &PanelOpener::windowOpened, this, [this] {
    aboutToShow();
    ticker_->opened();
  });
  connect(m, &CommandMenus::closed, ticker_, &MenuTicker::closed);
  connect(panel_, &PanelOpener::windowClosed, ticker_, &MenuTicker::closed);
}

void TrayController::followAppearance() {
  appearance_ = new AppearanceWatcher(this);
  applyAppearance(appearance_->appearance());
  connect(appearance_, &AppearanceWatcher::changed, this, [this](Appearance a) {
    applyAppearance(a);
    menus_->infoView()->setAppearance(a);
    panel_->setAppearance(a);
    render(true);
  });
}

void TrayController::attachTray() {
  if (!tray_) {
    TrayHooks hooks;
    hooks.bus = bus();
    hooks.xembedAvailable = services_.trayAvailable;
    hooks.currentDesktop = Store::processEnvironment()("XDG_CURRENT_DESKTOP").value_or("");
    tray_ = new TrayPresence(menus_->contextMenu(), std::move(hooks), this);
    connect(
        tray_, &TrayPresence::activatedAt, this,
        // Some hosts send (0, 0) when they do not know where the click was.
        [this](int x, int y) { showPanel(x == 0 && y == 0 ? QRect() : QRect(QPoint(x, y), QSize(1, 1))); });
    connect(tray_, &TrayPresence::iconActivated, this, &TrayController::showPanel);
    connect(tray_, &TrayPresence::menuOpening, this, [this] {
      // Hosts may ask by the thousand; one turn of the event loop draws once.
      if (!renderedThisTurn_) {
        renderedThisTurn_ = true;
        QMetaObject::invokeMethod(
            this, [this] { renderedThisTurn_ = false; }, Qt::QueuedConnection);
        aboutToShow();
      }
      ticker_->opened();
    });
    connect(tray_, &TrayPresence::menuClosed, ticker_, &MenuTicker::closed);
  }
  tray_->recheck();
  if (!tray_->attached() && !trayMissingLogged_) log("no tray: this desktop shows no tray icons");
  trayMissingLogged_ = trayMissingLogged_ || !tray_->attached();
}

void TrayController::activate(const std::optional<QByteArray>& launchToken) {
  const bool shown = tray_ && tray_->attached();
  panel_->activate(shown, shown ? tray_->iconGeometry() : QRect(), launchToken);
}

void TrayController::showPanel(const QRect& anchor) {
  panel_->showBesideIcon(anchor);
}

void TrayController::render(bool force) {
  const std::optional<Frame> frame = monitor_.frame(services_.now(), force);
  if (!frame) return;
  const Shown& shown = frame->shown;
  face_ = {trayGlyphFor(frame->glance, currentAppearance()), trayToolTip(shown, frame->glance)};
  const std::vector<std::string> rows = menus_->show(shown, autostartOn_, ticker_->open());
  if (tray_)
    tray_->show(
        {face_.glyph, frame->glance.headline, face_.toolTip, rows, trayAccessibleText(shown, frame->glance)});
  panel_->update(shown);
}

void TrayController::enqueue(Reading reading) {
  // Called on the bridge thread: only the first reading of a burst posts a
  // drain, the rest wait in the queue for it.
  if (monitor_.enqueue(std::move(reading)))
    QMetaObject::invokeMethod(this, &TrayController::drainReadings, Qt::QueuedConnection);
}

void TrayController::drainReadings() {
  const EpochSeconds now = services_.now();
  for (const LimitNotice& notice : monitor_.drain(now)) notifier_->send(notice, now);
  render(false);
}

void TrayController::thirtySecondTick() {
  if (monitor_.takeListenerRetry()) server_->start();
  // An XEmbed tray may start after the app; a watcher's arrival is followed as it happens.
  attachTray();
  render(false);
}

void TrayController::aboutToShow() {
  autostartOn_ = services_.autostart.enabled();
  render(true);
}

void TrayController::setNotifyNearLimits(bool on) {
  monitor_.notices().setEnabled(on);
  if (const auto why = Settings::saveNotifyNearLimits(services_.files.settings, on)) log("settings: " + *why);
}

void TrayController::setTrayWindow(TrayWindow choice) {
  monitor_.setTrayWindow(choice);
  menus_->setTrayWindowChecked(choice);
  if (const auto why =
          Settings::write(services_.files.settings, Settings::trayWindowKey, trayWindowName(choice)))
    log("settings: " + *why);
  render(false);
}

void TrayController::openHistory() {
  windows_->openHistory(services_.files.monitor.history, services_.now());
}

void TrayController::toggleAutostart() {
  const AutostartEntry& autostart = services_.autostart;
  const std::optional<std::string> failure = autostart.enabled() ? autostart.disable() : autostart.enable();
  if (failure) {
    log("login item: " + *failure);
    services_.alert(localized("로그인 항목 설정 실패", "Couldn\u2019t change the login item"));
  }
  autostartOn_ = autostart.enabled();
  render(true);
}
