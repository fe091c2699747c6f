// The tray shell driven as the event loop would, with a made-up clock, no display or tray and its
// files in a temporary folder; what the monitor decides is tested without the toolkit in tests/monitor.
#include <gtest/gtest.h>

#include <fstream>
#include <thread>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidgetAction>

#include "base/app_version.hpp"
#include "build_config.hpp"
#include "controller/command_menus.hpp"
#include "controller/menu_ticker.hpp"
#include "controller/panel_opener.hpp"
#include "controller/tray_controller.hpp"
#include "controller/update_schedule.hpp"
#include "desktop/links.hpp"
#include "display/phrases.hpp"
#include "display/state_file.hpp"
#include "store/alert_store.hpp"
#include "store/process_paths.hpp"
#include "store/reading_store.hpp"
#include "store/settings_file.hpp"
#include "store/update_store.hpp"
#include "support/event_wait.hpp"
#include "support/private_bus.hpp"
#include "support/replacements.hpp"
#include "tray/panel_window.hpp"
#include "tray/tray_presence.hpp"
#include "updater/wake_watcher.hpp"
#include "windows/history_window.hpp"

namespace {

constexpr EpochSeconds start = 1760421600;  // 2025-10-14 06:00 UTC

struct Harness {
  QTemporaryDir dir;
  EpochSeconds now = start;
  bool tray = true;
  int stateWrites = 0;
  std::optional<Shown> written;
  std::vector<QString> alerts;
  std::vector<QUrl> opened;
  std::vector<bool> guides;

  std::filesystem::path path(const char* name) const { return dir.filePath(name).toStdString(); }

  ControllerServices services() {
    return ControllerServices{
        .now = [this] { return now; },
        .openUrl = [this](const QUrl& url) { opened.push_back(url); },
        .alert = [this](const QString& text) { alerts.push_back(text); },
        .writeState =
            [this](const Frame& frame, const ListenState& listen, EpochSeconds at) {
              ++stateWrites;
              written = frame.shown;
              Store::writeState(frame.shown, frame.glance, listen, appVersion(), path("state.json"), at);
            },
        .trayAvailable = [this] { return tray; },
        .showGuide = [this](bool noTray) { guides.push_back(noTray); },
        .bridge = {.port = 0, .now = [this] { return now; }, .log = {}},
        .files = {.monitor = {path("last.json"), path("alerts.json"), path("history.jsonl")},
                  .update = path("update.json"),
                  .lock = path("run/q.lock"),
                  .settings = path("Quotalume.ini")},
        .autostart = AutostartEntry(path("config/autostart/q.desktop"),
                                    QCoreApplication::applicationFilePath().toStdString()),
        // Never connected, so no test can reach a real notification service or tray.
        .sessionBus = [] { return QDBusConnection(QStringLiteral("no-bus")); },
        .updater = Updater::defaultUpdaterServices(),
    };
  }

  void store(const Reading& r) const { Store::save(Saved{r, r}, path("last.json")); }

  std::unique_ptr<TrayController> launch(LaunchOptions options = {.guide = false}) {
    auto app = std::make_unique<TrayController>(options, services());
    EXPECT_TRUE(app->launch());
    return app;
  }
};

Reading okReading(EpochSeconds at, double pct) {
  return {"ok", {}, {}, at * 1000, at * 1000, {{"session", pct, (at + 3600) * 1000}}};
}

bool listening(TrayController& app) {
  return waitUntil([&] { return app.monitor().listen().kind == ListenState::Kind::ready; }, 5000);
}

// The visible entries of a menu, a separator as "---".
std::string titles(QMenu* menu) {
  QStringList titles;
  for (QAction* a : menu->actions())
    if (a->isVisible()) titles << (a->isSeparator() ? QStringLiteral("---") : a->text());
  return titles.join('|').toStdString();
}

std::size_t logLines(const std::string& text) {
  std::ifstream in(logPath());
  std::size_t n = 0;
  for (std::string line; std::getline(in, line);) n += line.find(text) != std::string::npos;
  return n;
}

TEST(TrayController, ABurstFromTheBridgeThreadIsDrawnOnceAndTheHistoryWindowReused) {
  Harness h;
  auto app = h.launch();
  ASSERT_TRUE(listening(*app));
  const int writesBefore = h.stateWrites;

  std::thread bridge([&] {
    for (double pct : {10.0, 20.0, 77.0}) app->enqueue(okReading(start, pct));
  });
  bridge.join();
  settle(50);

  EXPECT_EQ(h.stateWrites - writesBefore, 1) << "one burst, one frame";
  EXPECT_EQ(
      std::tuple(h.written->headline, app->face().toolTip, app->face().glyph.number, app->face().glyph.tone),
      std::tuple("77%", "Quotalume 77%", "77", Tone::orange));

  app->openHistory();
  app->openHistory();
  const auto windows = QApplication::topLevelWidgets();
  EXPECT_EQ(std::ranges::count_if(windows, [](QWidget* w) { return qobject_cast<HistoryWindow*>(w); }), 1)
      << "one window, re-used";
}

TEST(TrayController, GuideIsScheduledOnFirstLaunchOrWithoutATray) {
  struct Case {
    const char* name;
    LaunchOptions options;
    bool trayAvailable, stored;
    std::vector<bool> guides;  // the noTray flag of each showing
  } cases[] = {
      {"first launch", {}, true, false, {false}},
      {"first launch, told not to", {.guide = false}, true, false, {}},
      {"a stored reading: the extension was set up", {}, true, true, {}},
      {"no tray on this desktop", {}, false, true, {true}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Harness h;
    if (c.stored) h.store(okReading(start - 60, 42));
    h.tray = c.trayAvailable;
    auto app = h.launch(c.options);
    settle(300);
    EXPECT_TRUE(h.guides.empty()) << "not before 0.6 s";
    settle(500);
    EXPECT_EQ(h.guides, c.guides);
  }
}

// The way back to a running copy, above all where no tray shows its icon: a
// second start asks it over the session bus to show its panel, and leaves.
TEST(TrayController, ASecondStartShowsTheRunningCopysPanel) {
  PrivateBus bus;
  ASSERT_FALSE(bus.address.isEmpty());
  const LaunchOptions quiet{.guide = false, .updateChecks = false};
  for (bool tray : {false, true}) {
    SCOPED_TRACE(tray ? "a tray: the panel beside the icon" : "no tray: the panel window");
    Harness h;
    h.tray = tray;
    const auto on = [&](const QString& name) {
      ControllerServices services = h.services();
      services.sessionBus = [=, &bus] {
        return QDBusConnection::connectToBus(bus.address, name + QString::number(tray));
      };
      return services;
    };
    TrayController first(quiet, on("first"));
    ASSERT_TRUE(first.launch());
    const std::size_t before = logLines("already running, quitting this copy");
    TrayController second(quiet, on("second"));
    EXPECT_FALSE(second.launch());
    EXPECT_TRUE(second.reachedRunningCopy());
    const auto panelShown = [&] {
      PanelWindow* w = first.panel().window();
      return tray ? first.menus().panelMenu()->isVisible() : w && w->isVisible();
    };
    EXPECT_TRUE(waitUntil(panelShown, 3000));
    EXPECT_EQ(first.panel().window() != nullptr, !tray);
    // Without a bus the second start still leaves, and says it could not ask.
    const std::size_t unreached = logLines("the running copy could not be reached: no session bus");
    TrayController third(quiet, h.services());
    EXPECT_FALSE(third.launch() || third.reachedRunningCopy());
    EXPECT_EQ(logLines("already running, quitting this copy"), before + 2);
    EXPECT_EQ(logLines("the running copy could not be reached: no session bus"), unreached + 1);
  }
}

TEST(TrayController, MenusHoldTheCommandsAfterWhatThePanelShows) {
  const std::string commands =
      "Install the browser extension\u2026|Open at login|Notify near limits|Show in tray|Check for "
      "updates\u2026|"
      "Quotalume website|Usage history\u2026|---|Quit Quotalume";
  Harness h;
  auto app = h.launch();
  // The panel and its separator come first while there is something to
  // show; the context menu carries the panel as text: here the waiting line.
  EXPECT_EQ(titles(app->menus().panelMenu()), "|---|" + commands);
  const std::string waiting = *app->monitor().lastFrame()->shown.status;
  EXPECT_EQ(titles(app->menus().contextMenu()), waiting + "|---|" + commands);
  // The rows are the point of the menu: enabled, so hosts draw them at full strength; a click opens the
  // history.
  QAction* row = app->menus().contextMenu()->actions().first();
  EXPECT_TRUE(row->isEnabled());
  row->trigger();
  EXPECT_TRUE(std::ranges::any_of(QApplication::topLevelWidgets(), [](QWidget* w) {
    return qobject_cast<HistoryWindow*>(w) && w->isVisible();
  }));
  EXPECT_EQ(app->face().toolTip, "Quotalume \u2014 " + waiting);

  // Open, close, a reading that reshapes the panel, open again: it still fills the menu's width.
  QMenu* menu = app->menus().panelMenu();
  auto* panel = static_cast<QWidgetAction*>(menu->actions().first());
  menu->popup({0, 0});
  menu->hide();
  app->enqueue(okReading(start, 42));
  settle(50);
  menu->popup({0, 0});
  EXPECT_EQ(panel->defaultWidget()->geometry(), menu->actionGeometry(panel));
}

TEST(TrayController, DrawsOnlyChangesAndRunsOneTickerWhileAMenuIsOpen) {
  Harness h;
  // Without the daily update timer, so that every timer here is counted.
  auto app = h.launch({.guide = false, .updateChecks = false});
  ASSERT_TRUE(listening(*app));
  const int writes = h.stateWrites;
  Replacements replaced(h.path("."));
  app->render(false);
  app->render(true);
  EXPECT_EQ(std::pair(h.stateWrites, replaced.count("state.json")), std::pair(writes + 1, 0))
      << "only a forced render draws the same model again, and the same bytes are not written again";
  h.now += 60;
  app->render(true);
  EXPECT_EQ(replaced.count("state.json"), 1);

  // A host opening the menu a thousand times in one turn of the event loop draws once; the next turn again.
  auto* tray = app->findChild<TrayPresence*>();
  for (int i = 0; i < 1000; ++i) emit tray->menuOpening();
  settle(20);
  emit tray->menuOpening();
  EXPECT_EQ(h.stateWrites, writes + 4);

  app->ticker().opened();
  app->ticker().opened();
  EXPECT_EQ(app->findChildren<QTimer*>().size(), 2u) << "the 30-second timer and one ticker";
  EXPECT_TRUE(app->ticker().running());
  app->ticker().closed();
  EXPECT_FALSE(app->ticker().open() || app->ticker().running());
}

TEST(TrayController, AutostartToggleFollowsTheRealStateAndAFailureAlertsEachTime) {
  Harness h;
  auto app = h.launch();
  const auto entry = h.path("config/autostart/q.desktop");
  app->toggleAutostart();
  EXPECT_TRUE(app->autostartOn() && std::filesystem::exists(entry));
  app->toggleAutostart();
  EXPECT_FALSE(app->autostartOn());

  // Changed outside the app: the next opening of the menu shows it.
  std::ofstream(entry) << "[Desktop Entry]\nType=Application\nName=q\nExec=sh\n";
  app->aboutToShow();
  EXPECT_TRUE(app->autostartOn());

  std::filesystem::remove_all(h.path("config"));
  std::ofstream(h.path("config")) << "not a folder";
  app->aboutToShow();
  const std::size_t before = logLines("login item: ");
  app->toggleAutostart();
  app->toggleAutostart();
  EXPECT_EQ(h.alerts, std::vector<QString>(2, "Couldn\u2019t change the login item"));
  EXPECT_FALSE(app->autostartOn());
  EXPECT_EQ(logLines("login item: "), before + 2);
}

TEST(TrayController, TheNoticesSwitchIsKeptInTheSettingsFileAndReachesTheMonitor) {
  Harness h;
  {
    auto app = h.launch();
    EXPECT_TRUE(app->menus().notifyItem()->isChecked()) << "on by default";
    EXPECT_FALSE(std::filesystem::exists(h.path("Quotalume.ini"))) << "showing the switch saves nothing";
    app->menus().notifyItem()->trigger();  // off
  }
  auto app = h.launch();
  EXPECT_FALSE(app->menus().notifyItem()->isChecked());
  app->menus().notifyItem()->trigger();  // on again
  app->enqueue(okReading(start, 85));
  settle(30);
  EXPECT_EQ(AlertStore::load(h.path("alerts.json")).count("session"), 1u);
}

// A spent week behind a calm session: chosen in the menu, the 7-day limit is
// what the icon, its label and its tooltip show, and the choice is kept.
TEST(TrayController, TheChosenLimitIsShownAtAGlanceAndKept) {
  Harness h;
  Reading spent = okReading(start, 3);
  spent.windows.push_back({"weekly", 100, (start + 86400) * 1000});
  const auto choose = [](TrayController& app, int index) {
    app.menus().trayWindowItem()->menu()->actions().at(index)->trigger();
  };
  {
    auto app = h.launch();
    app->enqueue(spent);
    settle(50);
    choose(*app, 1);
    EXPECT_EQ(std::tuple(app->face().glyph.number, app->face().glyph.value, app->face().glyph.tone,
                         app->face().toolTip),
              std::tuple(std::string("100"), 1.0, Tone::red, std::string("Quotalume 7-day limit 100%")));
    EXPECT_EQ(app->monitor().lastFrame()->glance.headline, "100%") << "the label hosts draw";
    EXPECT_EQ(app->monitor().lastFrame()->shown.headline, "3%")
        << "the panel and state.json keep the 5-hour headline";
  }
  auto app = h.launch();
  EXPECT_TRUE(app->menus().trayWindowItem()->menu()->actions().at(1)->isChecked()) << "kept across a restart";
  EXPECT_EQ(app->monitor().trayWindow(), TrayWindow::weekly);
  choose(*app, 2);
  EXPECT_EQ(Settings::read(h.path("Quotalume.ini"), Settings::trayWindowKey), "highest");
}

bool supportShown(TrayController& app) {
  EXPECT_EQ(app.menus().supportItem()->isVisible(), app.menus().supportSeparator()->isVisible());
  return app.menus().supportItem()->isVisible();
}

TEST(TrayControllerUpdates, FeedSetsTheSupportPairAndTheWakeCheckAndTheMenuCheckAnswers) {
  const std::string on = "https://" + std::string(Build::siteHost) + "/sideproject/support";
  Harness h;
  const LaunchOptions quiet{.guide = false, .updateChecks = false};
  {
    auto app = h.launch(quiet);
    EXPECT_FALSE(supportShown(*app));
    app->updates().updates().services().onFeed(on, start);
    EXPECT_TRUE(supportShown(*app));
    EXPECT_EQ(UpdateStore::load(h.path("update.json")), (UpdateState{on, start * 1000}));
    int checks = 0;
    app->updates().wakeSchedule().scheduleAfterWake = [](double, Updater::WakeSchedule::Work work) {
      work();
    };
    app->updates().wakeSchedule().runAutoCheck = [&] { ++checks; };
    EXPECT_FALSE(app->updates().handleWake(start + 3600)) << "an hour after the feed";
    h.now = start + 86401;
    EXPECT_EQ(std::pair(app->updates().handleWake(h.now), checks), std::pair(true, 1));
  }
  {
    auto app = h.launch(quiet);
    EXPECT_TRUE(supportShown(*app));
    for (bool korean : {true, false}) {
      isKorean = korean;
      app->menus().supportItem()->trigger();
    }
    isKorean = false;
    EXPECT_EQ(h.opened, (std::vector<QUrl>{QUrl(QString::fromStdString(Links::supportKo())),
                                           QUrl(QString::fromStdString(Links::supportEn()))}));
    app->updates().updates().services().onFeed(std::nullopt, start + 3);
    EXPECT_FALSE(supportShown(*app));
    // The failed check's alert would wait for a click inside a later test's event loop.
    std::vector<std::string> told;
    app->updates().updates().services().effects.info = [&](const std::string& message) {
      told.push_back(message);
    };
    app->menus().updateItem()->trigger();
    EXPECT_TRUE(waitUntil([&] { return !told.empty(); }))
        << "a check from the menu answers even when it fails";
  }
  EXPECT_FALSE(supportShown(*h.launch(quiet)));
}

TEST(TrayControllerUpdates, LaunchSchedule) {
  struct Case {
    const char* name;
    LaunchOptions options;
    bool scheduled, checkAtOnce;
  } cases[] = {
      {"no update", {.guide = false, .updateChecks = false}, false, false},
      {"default", {.guide = false}, true, false},
      {"update now", {.guide = false, .updateNow = true}, true, true},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.name);
    Harness h;
    const std::size_t before = logLines("update check failed");
    auto app = h.launch(tc.options);
    const QTimer* daily = app->updates().dailyCheck();
    EXPECT_EQ(
        std::tuple(app->updates().updates().services().autoInstall, app->updates().wakeWatcher() != nullptr,
                   daily && daily->isActive() && daily->interval() == 86400000),
        std::tuple(tc.checkAtOnce, tc.scheduled, tc.scheduled));
    // A check that is not due at once would come no sooner than 10 s. The
    // feed is a closed port, so each check fails and says so in the log.
    const auto checked = [&] { return logLines("update check failed") > before; };
    EXPECT_EQ(waitUntil(checked, tc.checkAtOnce ? 5000 : 300), tc.checkAtOnce);
  }
}

}  // namespace
