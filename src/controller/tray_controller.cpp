#include "controller/tray_controller.hpp"

#include <algorithm>
#include <chrono>
#include <iostream>

#include <QAction>
#include <QActionEvent>
#include <QApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QKeySequence>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidgetAction>

#include "base/app_version.hpp"
#include "base/wall_clock.hpp"
#include "controller/app_activation.hpp"
#include "controller/data_folder.hpp"
#include "controller/launch_token.hpp"
#include "controller/limit_notifier.hpp"
#include "controller/reading_queue.hpp"
#include "controller/reading_rule.hpp"
#include "controller/single_instance.hpp"
#include "desktop/links.hpp"
#include "display/phrases.hpp"
#include "display/state_file.hpp"
#include "store/alert_store.hpp"
#include "store/log.hpp"
#include "store/process_paths.hpp"
#include "store/reading_store.hpp"
#include "store/settings_file.hpp"
#include "tray/panel_placement.hpp"
#include "tray/panel_window.hpp"
#include "tray/popup_position.hpp"
#include "tray/tray_presence.hpp"
#include "tray/tray_text.hpp"
#include "updater/feed_receipt.hpp"
#include "updater/support_switch.hpp"
#include "updater/update_check.hpp"
#include "updater/update_leftovers.hpp"
#include "updater/update_rules.hpp"
#include "updater/wake_watcher.hpp"
#include "views/app_palette.hpp"
#include "views/appearance.hpp"
#include "views/info_view.hpp"
#include "views/modal_alert.hpp"
#include "windows/history_window.hpp"

namespace {

constexpr int refreshMs = 30000;
constexpr int tickMs = 1000;
constexpr int guideDelayMs = 600;
// The first update check waits for the desktop session to settle.
constexpr int firstCheckMs = 10000;

QString localized(std::string_view ko, std::string_view en) {
  return QString::fromStdString(T(ko, en));
}

void modalAlert(const QString& message) {
  runModalAlert({message.toStdString(), "", {T("확인", "OK")}});
}

bool panelInWindow() {
  return panelAsWindow(QGuiApplication::platformName().toStdString(),
                       qEnvironmentVariable("WAYLAND_DISPLAY").toStdString(),
                       qEnvironmentVariable("XDG_SESSION_TYPE").toStdString());
}

}  // namespace

ControllerServices ControllerServices::system(const std::string& executable) {
  const Store::EnvLookup env = Store::processEnvironment();
  return ControllerServices{
      .now = wallClockNow,
      .openUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); },
      .alert = modalAlert,
      .writeState =
          [](const Shown& shown, const ListenState& listen) {
            Store::writeState(shown, listen, appVersion(), wallClockNow());
          },
      .trayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); },
      .showGuide = {},
      .bridge = {.now = wallClockNow, .log = [](std::string_view line) { log(std::string(line)); }},
      .lastFile = Store::lastPath(),
      .updateFile = UpdateStore::path(),
      .lockFile = instanceLockPath(env, dataDir()),
      .autostart = AutostartEntry(autostartEntryPath(env, Store::homeDirectory(env)), executable),
      .alertsFile = AlertStore::path(),
      .settingsFile = Settings::userFile(),
      .sessionBus = {},
      .historyFile = History::path(),
      .updater = Updater::defaultUpdaterServices(),
  };
}

TrayController::TrayController(LaunchOptions options, ControllerServices services, QObject* parent)
    : QObject(parent),
      options_(options),
      services_(std::move(services)),
      queue_(std::make_shared<ReadingQueue>()),
      guide_(std::make_unique<GuideWindow>(services_.openUrl)),
      updates_(services_.updater),
      wake_([this] { return updateState_.checked_at; }, [this] { return services_.now(); },
            [this] { updates_.check(false); }),
      panelMenu_(std::make_unique<QMenu>()),
      contextMenu_(std::make_unique<QMenu>()) {
  server_ = std::make_unique<BridgeServer>(services_.bridge);
  timer_ = new QTimer(this);
  timer_->setInterval(refreshMs);
  connect(timer_, &QTimer::timeout, this, &TrayController::thirtySecondTick);
}

TrayController::~TrayController() {
  // The bridge thread calls back into this object; it stops first.
  server_.reset();
}

std::uint16_t TrayController::bridgePort() const {
  return server_->port();
}

PanelWindow* TrayController::panelWindow() const {
  return panelWindow_;
}

bool TrayController::tickerRunning() const {
  return ticker_ != nullptr && ticker_->isActive();
}

bool TrayController::launch() {
  instance_ = std::make_unique<InstanceLock>(services_.lockFile);
  if (!instance_->acquire()) {
    log("already running, quitting this copy");
    reachedRunningCopy_ = reachRunningCopy(bus(), instance_->holder());
    return false;
  }
  log("launch Quotalume " + std::string(appVersion()));
  Updater::sweepLeftovers(updates_.services().hooks.executable());
  checkDataFolder();

  saved_ = Store::load(services_.lastFile, services_.now());
  updateState_ = UpdateStore::load(services_.updateFile);

  notifier_ =
      std::make_unique<LimitNotifier>(bus(), services_.alertsFile, [](std::string_view line) { log(line); });
  notifier_->setEnabled(Settings::notifyNearLimits(services_.settingsFile));
  connect(this, &TrayController::readingAccepted, this,
          [this](const Reading& reading) { notifier_->readingAccepted(reading, services_.now()); });

  appearance_ = new AppearanceWatcher(this);
  applyAppearance(appearance_->appearance());
  connect(appearance_, &AppearanceWatcher::changed, this, [this](Appearance a) {
    applyAppearance(a);
    infoView_->setAppearance(a);
    if (panelWindow_) panelWindow_->view()->setAppearance(a);
    render(true);
  });

  buildMenu();
  // The tray exists before the first render, which draws into it.
  attachTray();
  render(false);

  server_->onState([this](const ListenState& state) {
    QMetaObject::invokeMethod(
        this, [this, state] { setListen(state); }, Qt::QueuedConnection);
  });
  server_->onReading([this](const Reading& reading) { enqueue(reading); });
  server_->start();

  timer_->start();

  const bool noTray = !tray_->attached();
  if (options_.guide && (!saved_.latest || noTray)) scheduleGuide(noTray);

  startUpdateChecks();
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

void TrayController::checkDataFolder() {
  dataProblem_ = dataFolderProblem(services_.lastFile.parent_path());
  if (!dataProblem_) return;
  const std::string line = "readings are not saved: " + *dataProblem_;
  log(line);
  // The log lies in the same folder unless told otherwise, and then this
  // line would be lost with it.
  if (dataFolderProblem(logPath().parent_path())) std::cerr << "quotalume: " << line << "\n";
}

void TrayController::startUpdateChecks() {
  updates_.services().onFeed = [self = QPointer<TrayController>(this)](
                                   const std::optional<std::string>& support, EpochSeconds at) {
    if (self) self->feedArrived(support, at);
  };
  updates_.services().now = services_.now;
  if (!options_.updateChecks) return;
  if (options_.updateNow) {
    updates_.services().autoInstall = true;
    updates_.check(false);
  } else {
    QTimer::singleShot(firstCheckMs, this, [this] { updates_.check(false); });
  }
  dailyCheck_ = new QTimer(this);
  dailyCheck_->setInterval(std::chrono::milliseconds(std::int64_t(Updater::interval * 1000)));
  connect(dailyCheck_, &QTimer::timeout, this, [this] { updates_.check(false); });
  dailyCheck_->start();
  wakeWatcher_ = new Updater::WakeWatcher(this);
  connect(wakeWatcher_, &Updater::WakeWatcher::woke, this, [this] { handleWake(services_.now()); });
}

void TrayController::feedArrived(const std::optional<std::string>& support, EpochSeconds at) {
  if (const auto nowOn = Updater::receiveFeed(updateState_, support, at, services_.updateFile)) {
    setSupportVisible(*nowOn);
  }
}

void TrayController::applySupport() {
  setSupportVisible(Links::supportSwitchOn(updateState_.support));
}

void TrayController::setSupportVisible(bool visible) {
  supportItem_->setVisible(visible);
  supportSeparator_->setVisible(visible);
}

bool TrayController::handleWake(EpochSeconds now) {
  return wake_.handleWake(now);
}

void TrayController::scheduleGuide(bool noTray) {
  QTimer::singleShot(guideDelayMs, this, [this, noTray] {
    if (services_.showGuide) {
      services_.showGuide(noTray);
      return;
    }
    guide_->setNote(noTray ? noTrayNote() : QString());
    guide_->show();
  });
}

void TrayController::attachTray() {
  if (!tray_) {
    TrayHooks hooks;
    hooks.bus = bus();
    hooks.xembedAvailable = services_.trayAvailable;
    hooks.currentDesktop = Store::processEnvironment()("XDG_CURRENT_DESKTOP").value_or("");
    tray_ = new TrayPresence(contextMenu_.get(), std::move(hooks), this);
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
      menuOpened();
    });
    connect(tray_, &TrayPresence::menuClosed, this, &TrayController::menuClosed);
  }
  tray_->recheck();
  if (!tray_->attached() && !trayMissingLogged_) log("no tray: this desktop shows no tray icons");
  trayMissingLogged_ = trayMissingLogged_ || !tray_->attached();
}

void TrayController::buildMenu() {
  infoView_ = new InfoView();
  infoItem_ = new QWidgetAction(this);
  infoItem_->setDefaultWidget(infoView_);
  infoItem_->setEnabled(false);
  infoSeparator_ = new QAction(this);
  infoSeparator_->setSeparator(true);
  textSeparator_ = new QAction(this);
  textSeparator_->setSeparator(true);

  installItem_ =
      new QAction(localized("브라우저 확장 설치하기\u2026", "Install the browser extension\u2026"), this);
  connect(installItem_, &QAction::triggered, this, &TrayController::openInstall);

  autostartOn_ = services_.autostart.enabled();
  autostartItem_ = new QAction(localized("로그인 시 자동 실행", "Open at login"), this);
  autostartItem_->setCheckable(true);
  connect(autostartItem_, &QAction::triggered, this, &TrayController::toggleAutostart);

  notifyItem_ = new QAction(localized("한도 가까이 알림", "Notify near limits"), this);
  notifyItem_->setCheckable(true);
  notifyItem_->setChecked(notifier_->enabled());
  connect(notifyItem_, &QAction::toggled, this, &TrayController::setNotifyNearLimits);

  updateItem_ = new QAction(localized("업데이트 확인\u2026", "Check for updates\u2026"), this);
  connect(updateItem_, &QAction::triggered, this, &TrayController::checkUpdates);

  pageItem_ = new QAction(localized("Quotalume 페이지", "Quotalume website"), this);
  connect(pageItem_, &QAction::triggered, this, &TrayController::openPage);

  auto* historyItem = new QAction(localized("사용 기록\u2026", "Usage history\u2026"), this);
  connect(historyItem, &QAction::triggered, this, &TrayController::openHistory);

  auto* separator = new QAction(this);
  separator->setSeparator(true);

  supportItem_ = new QAction(localized("이 앱 후원하기\u2026", "Support This App\u2026"), this);
  supportSeparator_ = new QAction(this);
  supportSeparator_->setSeparator(true);
  connect(supportItem_, &QAction::triggered, this, &TrayController::openSupport);

  quitItem_ = new QAction(localized("Quotalume 종료", "Quit Quotalume"), this);
  quitItem_->setShortcut(QKeySequence(QStringLiteral("Ctrl+Q")));
  connect(quitItem_, &QAction::triggered, this, &TrayController::quit);

  commands_ = {installItem_, autostartItem_, notifyItem_,  updateItem_,       pageItem_,
               historyItem,  separator,      supportItem_, supportSeparator_, quitItem_};
  panelMenu_->addAction(infoItem_);
  panelMenu_->addAction(infoSeparator_);
  panelMenu_->addActions(commands_);
  contextMenu_->addAction(textSeparator_);
  contextMenu_->addActions(commands_);
  applySupport();

  for (QMenu* menu : {panelMenu_.get(), contextMenu_.get()}) {
    connect(menu, &QMenu::aboutToShow, this, [this] {
      aboutToShow();
      menuOpened();
    });
    connect(menu, &QMenu::aboutToHide, this, &TrayController::menuClosed);
  }
}

void TrayController::activate(const std::optional<QByteArray>& launchToken) {
  if (tray_ && tray_->attached() && !panelInWindow())
    showPanel(lastAnchor_.isValid() ? lastAnchor_ : tray_->iconGeometry());
  else
    showPanelWindow(launchToken);
}

void TrayController::showPanel(const QRect& anchor) {
  if (anchor.isValid()) lastAnchor_ = anchor;
  if (!panelInWindow()) {
    if (!panelMenu_->isVisible()) panelMenu_->popup(besideIcon(anchor, panelMenu_->sizeHint()));
    return;
  }
  showPanelWindow();
}

void TrayController::showPanelWindow(const std::optional<QByteArray>& launchToken) {
  if (!panelWindow_) {
    panelWindow_ = new PanelWindow();
    panelWindow_->setCommands(commands_);
    panelWindow_->view()->setAppearance(infoView_->appearance());
    connect(panelWindow_, &PanelWindow::opened, this, [this] {
      aboutToShow();
      menuOpened();
    });
    connect(panelWindow_, &PanelWindow::closed, this, &TrayController::menuClosed);
    connect(this, &QObject::destroyed, panelWindow_, &QObject::deleteLater);
  }
  if (lastShown_) panelWindow_->view()->update(*lastShown_, false, false);
  panelWindow_->fitToView();
  // On X11 without a tray nothing says where the panel belongs; the middle
  // of the screen is where a user looks after starting an app.
  if (QScreen* screen = QGuiApplication::primaryScreen(); screen && !panelWindow_->isVisible())
    panelWindow_->move(screen->availableGeometry().center() - panelWindow_->rect().center());
  showWithLaunchToken(panelWindow_, launchToken);
}

void TrayController::render(bool force) {
  Shown shown = buildShown(saved_, freshThisSession_, listen_, services_.now());
  if (dataProblem_) noteUnsavedReadings(shown);
  // The state file mirrors the listener as well, so a listener change that
  // leaves the model as it was still counts as a change.
  if (!force && lastShown_ && *lastShown_ == shown && lastListen_ == listen_) return;
  lastShown_ = shown;
  lastListen_ = listen_;

  traySpec_ = trayGlyphSpec(shown, currentAppearance());
  toolTip_ = trayToolTip(shown);

  autostartItem_->setChecked(autostartOn_);

  const bool hidden = panelHidden(shown);
  infoItem_->setVisible(!hidden);
  infoSeparator_->setVisible(!hidden);
  const std::vector<std::string> rows = hidden ? std::vector<std::string>{} : panelTextRows(shown);
  applyContextRows(rows, hidden);
  if (tray_) tray_->show({traySpec_, shown.headline, toolTip_, rows, infoAccessibilityLabel(shown)});

  if (infoView_->update(shown, autostartOn_, menuOpen_)) {
    // A menu measures its items once and keeps their places while closed;
    // a panel that changed size must make it measure again.
    QActionEvent changed(QEvent::ActionChanged, infoItem_);
    QCoreApplication::sendEvent(panelMenu_.get(), &changed);
  }
  if (panelWindow_ && panelWindow_->isVisible()) {
    if (panelWindow_->view()->update(shown, false, true)) panelWindow_->fitToView();
  }

  services_.writeState(shown, listen_);
}

void TrayController::applyContextRows(const std::vector<std::string>& rows, bool hidden) {
  // Rows keep their actions while their count stays, so an open exported menu
  // only sees changed labels.
  while (textRows_.size() > rows.size()) {
    delete textRows_.back();
    textRows_.pop_back();
  }
  while (textRows_.size() < rows.size()) {
    // Enabled, so hosts draw the numbers at full strength; a click opens their history.
    auto* row = new QAction(this);
    connect(row, &QAction::triggered, this, &TrayController::openHistory);
    contextMenu_->insertAction(textSeparator_, row);
    textRows_.push_back(row);
  }
  for (std::size_t i = 0; i < rows.size(); ++i) textRows_[i]->setText(QString::fromStdString(rows[i]));
  textSeparator_->setVisible(!hidden);
}

void TrayController::setListen(const ListenState& state) {
  listen_ = state;
  render(false);
}

void TrayController::enqueue(Reading reading) {
  // Called on the bridge thread: only the first reading of a burst posts a
  // drain, the rest wait in the queue for it.
  if (queue_->push(std::move(reading)))
    QMetaObject::invokeMethod(this, &TrayController::drainReadings, Qt::QueuedConnection);
}

void TrayController::drainReadings() {
  const std::vector<Reading> burst = queue_->takeAll();
  if (burst.empty()) return;
  const BurstOutcome outcome =
      applyBurst(saved_, burst, [this](const Reading& reading) { emit readingAccepted(reading); });
  if (outcome.lastIgnored) log(ignoredLine(*outcome.lastIgnored));
  if (!outcome.lastAccepted) return;
  freshThisSession_ = true;
  Store::save(saved_, services_.lastFile);
  if (saved_.ok && !services_.historyFile.empty()) history_.record(*saved_.ok, services_.now());
  log(acceptedLine(*outcome.lastAccepted));
  render(false);
}

void TrayController::thirtySecondTick() {
  if (listen_.kind == ListenState::Kind::failed || listen_.kind == ListenState::Kind::busy) {
    listen_ = ListenState::starting();
    server_->start();
  }
  // An XEmbed tray may start after the app; a watcher's arrival is followed as it happens.
  attachTray();
  render(false);
}

void TrayController::aboutToShow() {
  autostartOn_ = services_.autostart.enabled();
  render(true);
}

void TrayController::menuOpened() {
  menuOpen_ = true;
  delete ticker_;
  ticker_ = new QTimer(this);
  ticker_->setInterval(tickMs);
  connect(ticker_, &QTimer::timeout, this, [this] { render(false); });
  ticker_->start();
}

void TrayController::menuClosed() {
  menuOpen_ = false;
  delete ticker_;
  ticker_ = nullptr;
}

void TrayController::openInstall() {
  services_.openUrl(QUrl(QString::fromStdString(Links::installTarget())));
}

void TrayController::openPage() {
  services_.openUrl(QUrl(QString::fromStdString(Links::page())));
}

void TrayController::setNotifyNearLimits(bool on) {
  notifier_->setEnabled(on);
  if (const auto why = Settings::saveNotifyNearLimits(services_.settingsFile, on)) log("settings: " + *why);
}

void TrayController::openSupport() {
  services_.openUrl(QUrl(QString::fromStdString(Links::support())));
}

void TrayController::openHistory() {
  if (!historyWindow_) historyWindow_ = std::make_unique<HistoryWindow>();
  const EpochSeconds now = services_.now();
  historyWindow_->showHistory(History::load(services_.historyFile, now), now, currentAppearance());
  historyWindow_->show();
  historyWindow_->raise();
  historyWindow_->activateWindow();
}

void TrayController::checkUpdates() {
  updates_.check(true);
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

void TrayController::quit() {
  QCoreApplication::quit();
}
