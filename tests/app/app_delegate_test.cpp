// The controller driven as the event loop would drive it, with a made-up
// clock, no display and no tray, its files in a temporary folder.
#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <unistd.h>

#include <fstream>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include "app/app_delegate.hpp"
#include "app/history_window.hpp"
#include "app/links.hpp"
#include "bridge/app_version.hpp"
#include "build_config.hpp"
#include "display/phrases.hpp"
#include "store/alert_store.hpp"
#include "store/process_paths.hpp"
#include "store/reading_store.hpp"
#include "store/state_file.hpp"
#include "store/update_store.hpp"
#include "support/event_wait.hpp"
#include "updater/settings_file.hpp"
#include "updater/update_check.hpp"
#include "updater/wake_watcher.hpp"

namespace {

constexpr Date start = 1760421600;  // 2025-10-14 06:00 UTC

struct Harness {
  QTemporaryDir dir;
  Date now = start;
  int stateWrites = 0;
  std::optional<Shown> written;
  std::vector<QString> alerts;
  std::vector<QUrl> opened;
  std::vector<bool> guides;

  std::filesystem::path path(const char* name) const { return dir.filePath(name).toStdString(); }

  ControllerServices services() {
    BridgeSettings bridge;
    bridge.port = 0;
    return ControllerServices{
        .now = [this] { return now; },
        .openUrl = [this](const QUrl& url) { opened.push_back(url); },
        .alert = [this](const QString& text) { alerts.push_back(text); },
        .writeState =
            [this](const Shown& shown, const ListenState& listen) {
              ++stateWrites;
              written = shown;
              Store::writeState(shown, listen, appVersion(), path("state.json"), now);
            },
        .trayAvailable = [] { return true; },
        .showGuide = [this](bool noTray) { guides.push_back(noTray); },
        .bridge = bridge,
        .lastFile = path("last.json"),
        .updateFile = path("update.json"),
        .lockFile = path("run/q.lock"),
        .login = LoginItem(path("config/autostart/q.desktop"),
                           QCoreApplication::applicationFilePath().toStdString()),
        .alertsFile = path("alerts.json"),
        .settingsFile = QString::fromStdString(path("Quotalume.ini").string()),
        // Never connected, so no test can reach a real notification service or tray.
        .sessionBus = [] { return QDBusConnection(QStringLiteral("no-bus")); },
        .historyFile = path("history.jsonl"),
    };
  }

  // Leaves a reading in last.json as an earlier session would have.
  void store(const Reading& r) const {
    Saved saved;
    saved.ok = saved.latest = r;
    Store::save(saved, path("last.json"));
  }

  // A launched controller, given these options after the program name.
  std::unique_ptr<AppDelegate> launch(std::vector<std::string> options = {"--no-guide"},
                                      std::optional<ControllerServices> with = {}) {
    options.insert(options.begin(), "quotalume");
    auto app = std::make_unique<AppDelegate>(options, with ? *with : services());
    EXPECT_TRUE(app->launch());
    return app;
  }
};

Reading okReading(Date at, double pct) {
  return {"ok", {}, {}, at * 1000, at * 1000, {{"session", pct, (at + 3600) * 1000}}};
}

bool listening(AppDelegate& app, ListenState::Kind kind = ListenState::Kind::ready) {
  return waitUntil([&] { return app.listen().kind == kind; }, 5000);
}

std::vector<QString> visibleTitles(QMenu* menu) {
  std::vector<QString> titles;
  for (QAction* a : menu->actions())
    if (a->isVisible()) titles.push_back(a->isSeparator() ? QStringLiteral("---") : a->text());
  return titles;
}

// Counts the files the store puts in place by rename, as it replaces
// last.json, so that a test can count saves without a hook in the code. The
// temporaries' creations are watched too: the kernel merges identical
// events that follow each other unread.
class Replacements {
 public:
  Replacements(const std::filesystem::path& folder, std::string name)
      : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)), name_(std::move(name)) {
    inotify_add_watch(fd_, folder.c_str(), IN_CREATE | IN_MOVED_TO);
  }
  Replacements(const Replacements&) = delete;
  Replacements& operator=(const Replacements&) = delete;
  ~Replacements() { ::close(fd_); }

  int count() {
    alignas(inotify_event) char buffer[4096];
    for (ssize_t n; (n = ::read(fd_, buffer, sizeof buffer)) > 0;) {
      for (char* p = buffer; p < buffer + n;) {
        const auto* event = reinterpret_cast<const inotify_event*>(p);
        seen_ += (event->mask & IN_MOVED_TO) && event->len > 0 && name_ == event->name;
        p += sizeof(inotify_event) + event->len;
      }
    }
    return seen_;
  }

 private:
  int fd_;
  std::string name_;
  int seen_ = 0;
};

std::string stateListening(const Harness& h) {
  std::ifstream in(h.path("state.json"));
  return nlohmann::json::parse(in, nullptr, false).value("listening", "");
}

std::size_t logLines(const std::string& text) {
  std::ifstream in(logURL());
  std::size_t n = 0;
  for (std::string line; std::getline(in, line);) n += line.find(text) != std::string::npos;
  return n;
}

TEST(AppDelegate, ABurstKeepsTheLastReadingWithOneSaveAndOneRender) {
  Harness h;
  auto app = h.launch();
  ASSERT_TRUE(listening(*app));
  const int writesBefore = h.stateWrites;
  const std::size_t linesBefore = logLines("reading status=ok windows=1");
  Replacements saves(h.path("."), "last.json");

  for (double pct : {10.0, 20.0, 77.0}) app->enqueue(okReading(start, pct));
  settle(50);

  EXPECT_EQ(saves.count(), 1);
  EXPECT_EQ(h.stateWrites, writesBefore + 1);
  EXPECT_EQ(logLines("reading status=ok windows=1"), linesBefore + 1);
  EXPECT_TRUE(app->freshThisSession());
  ASSERT_TRUE(h.written);
  EXPECT_EQ(h.written->headline, "77%");
  EXPECT_EQ(app->toolTip(), "Quotalume 77%");
  EXPECT_EQ(app->traySpec().number, "77");
  EXPECT_EQ(app->traySpec().tone, Tone::orange);
  const Saved onDisk = Store::load(h.path("last.json"), start);
  ASSERT_TRUE(onDisk.ok);
  EXPECT_EQ(onDisk.ok->windows[0].pct, 77);
  const auto history = History::load(h.path("history.jsonl"), start + 60);
  ASSERT_EQ(history.size(), 1u);
  EXPECT_EQ(history[0].windows[0].pct, 77);

  app->openHistory();
  app->openHistory();
  const auto windows = QApplication::topLevelWidgets();
  ASSERT_EQ(std::count_if(windows.begin(), windows.end(),
                          [](QWidget* w) { return qobject_cast<HistoryWindow*>(w); }),
            1)
      << "one window, re-used";
}

TEST(AppDelegate, StoredNumbersStayStaleThroughAnIgnoredReading) {
  Harness h;
  h.store(okReading(start - 60, 42));
  auto app = h.launch({});
  ASSERT_TRUE(listening(*app));
  EXPECT_EQ(app->lastShown()->phase, "stale");
  EXPECT_EQ(app->traySpec().tone, Tone::dim);
  const Saved stored = app->saved();
  const int writes = h.stateWrites;
  Reading error;
  error.status = "error";
  error.received_at = error.fetched_at = (start - 60) * 1000 + 299999;
  app->enqueue(error);
  settle(800);
  EXPECT_EQ(h.stateWrites, writes);
  EXPECT_FALSE(app->freshThisSession());
  EXPECT_EQ(app->saved(), stored);
  EXPECT_TRUE(h.guides.empty()) << "a stored reading means the extension was set up";
}

TEST(AppDelegate, RenderDrawsOnlyChangesUnlessForced) {
  Harness h;
  auto app = h.launch();
  ASSERT_TRUE(listening(*app));
  EXPECT_EQ(stateListening(h), "ready") << "a listener change alone is drawn";
  const int writes = h.stateWrites;
  app->render(false);
  app->render(false);
  EXPECT_EQ(h.stateWrites, writes);
  app->render(true);
  EXPECT_EQ(h.stateWrites, writes + 1);
}

TEST(AppDelegate, GuideIsScheduledOnlyWithoutAStoredReading) {
  struct Case {
    const char* name;
    std::vector<std::string> options;
    bool trayAvailable;
    std::vector<bool> guides;  // the noTray flag of each showing
  } cases[] = {
      {"first launch", {}, true, {false}},
      {"first launch, told not to", {"--no-guide"}, true, {}},
      {"no tray on this desktop", {}, false, {true}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Harness h;
    auto services = h.services();
    services.trayAvailable = [tray = c.trayAvailable] { return tray; };
    auto app = h.launch(c.options, services);
    settle(300);
    EXPECT_TRUE(h.guides.empty()) << "not before 0.6 s";
    settle(500);
    EXPECT_EQ(h.guides, c.guides);
  }
}

TEST(AppDelegate, BusyPortIsRetriedByTheThirtySecondStep) {
  QTcpServer holder;
  ASSERT_TRUE(holder.listen(QHostAddress::LocalHost, 0));
  Harness h;
  auto services = h.services();
  services.bridge.port = holder.serverPort();
  auto app = h.launch({"--no-guide"}, services);
  ASSERT_TRUE(listening(*app, ListenState::Kind::busy));
  EXPECT_EQ(h.written->phase, "port_busy");

  app->thirtySecondTick();
  EXPECT_EQ(app->listen().kind, ListenState::Kind::starting);
  ASSERT_TRUE(listening(*app, ListenState::Kind::busy));

  holder.close();
  app->thirtySecondTick();
  ASSERT_TRUE(listening(*app));
  EXPECT_EQ(h.written->phase, "waiting_first");
}

TEST(AppDelegate, MenusShowTheirTitlesInBothLanguages) {
  struct Case {
    bool korean;
    std::vector<QString> commands;
  } cases[] = {
      {false,
       {"Install the browser extension\u2026", "Open at login", "Notify near limits",
        "Check for updates\u2026", "Quotalume website", "Usage history\u2026", "---", "Quit Quotalume"}},
      {true,
       {"브라우저 확장 설치하기\u2026", "로그인 시 자동 실행", "한도 가까이 알림", "업데이트 확인\u2026",
        "Quotalume 페이지", "사용 기록\u2026", "---", "Quotalume 종료"}},
  };
  const bool wasKorean = isKorean;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.korean ? "ko" : "en");
    isKorean = c.korean;
    Harness h;
    auto app = h.launch();
    std::vector<QString> panel = visibleTitles(app->panelMenu());
    ASSERT_GE(panel.size(), 2u);
    EXPECT_EQ(panel[1], "---") << "the panel and its separator come first while there is something to show";
    EXPECT_EQ(std::vector<QString>(panel.begin() + 2, panel.end()), c.commands);

    // The context menu carries the panel as text: here the waiting line.
    std::vector<QString> context = visibleTitles(app->contextMenu());
    ASSERT_EQ(context.size(), c.commands.size() + 2);
    EXPECT_EQ(QString::fromStdString(*app->lastShown()->status), context[0]);
    EXPECT_EQ(std::vector<QString>(context.begin() + 2, context.end()), c.commands);
    EXPECT_EQ(app->contextMenu()->actions().back()->shortcut(), QKeySequence("Ctrl+Q"));
  }
  isKorean = wasKorean;
}

TEST(AppDelegate, OneTickerWhileAMenuIsOpen) {
  Harness h;
  // Without the daily update timer, so that every timer here is counted.
  auto app = h.launch({"--no-guide", "--no-update"});
  app->menuWillOpen();
  app->menuWillOpen();
  EXPECT_EQ(app->findChildren<QTimer*>().size(), 2u) << "the 30-second timer and one ticker";
  EXPECT_TRUE(app->tickerRunning());
  app->menuDidClose();
  EXPECT_FALSE(app->menuOpen());
  EXPECT_FALSE(app->tickerRunning());
}

TEST(AppDelegate, LoginToggleFollowsTheRealState) {
  Harness h;
  auto app = h.launch();
  app->toggleLogin();
  EXPECT_TRUE(app->loginOn());
  EXPECT_TRUE(std::filesystem::exists(h.path("config/autostart/q.desktop")));
  app->toggleLogin();
  EXPECT_FALSE(app->loginOn());
  EXPECT_TRUE(h.alerts.empty());

  // Changed outside the app: the next opening of the menu shows it.
  std::ofstream(h.path("config/autostart/q.desktop"))
      << "[Desktop Entry]\nType=Application\nName=q\nExec=sh\n";
  app->menuNeedsUpdate();
  EXPECT_TRUE(app->loginOn());
}

TEST(AppDelegate, AFailedLoginChangeAlertsOnceAndKeepsTheMark) {
  const bool wasKorean = isKorean;
  for (bool korean : {false, true}) {
    isKorean = korean;
    Harness h;
    std::ofstream(h.path("config")) << "not a folder";
    const std::size_t before = logLines("login item: ");
    auto app = h.launch();
    app->toggleLogin();
    EXPECT_EQ(h.alerts,
              std::vector<QString>{korean ? "로그인 항목 설정 실패" : "Couldn\u2019t change the login item"});
    EXPECT_FALSE(app->loginOn());
    EXPECT_EQ(logLines("login item: "), before + 1);
  }
  isKorean = wasKorean;
}

TEST(AppDelegate, ASecondCopyStepsAside) {
  Harness h;
  auto first = h.launch();
  const std::size_t before = logLines("already running, quitting this copy");
  AppDelegate second({"quotalume", "--no-guide"}, h.services());
  EXPECT_FALSE(second.launch());
  EXPECT_EQ(second.bridgePort(), 0) << "no listener for the second copy";
  EXPECT_EQ(logLines("already running, quitting this copy"), before + 1);
}

TEST(AppDelegate, LimitNoticesFollowTheSwitchAndOnlyThisSessionsReadings) {
  Harness h;
  h.store(okReading(start - 30, 95));
  {
    auto app = h.launch();
    EXPECT_TRUE(app->notifyItem()->isChecked()) << "on by default";
    settle(30);
    EXPECT_FALSE(std::filesystem::exists(h.path("alerts.json"))) << "numbers from disk never speak";
    app->notifyItem()->trigger();  // off
    app->enqueue(okReading(start, 85));
    settle(30);
    EXPECT_FALSE(std::filesystem::exists(h.path("alerts.json"))) << "switched off";
  }
  // The switch is kept in the settings file.
  auto app = h.launch();
  EXPECT_FALSE(app->notifyItem()->isChecked());
  app->notifyItem()->trigger();  // on again
  app->enqueue(okReading(start, 85));
  settle(30);
  EXPECT_EQ(AlertStore::load(h.path("alerts.json")).count("session"), 1u);
}

bool supportShown(AppDelegate& app) {
  EXPECT_EQ(app.supportItem()->isVisible(), app.supportSeparator()->isVisible());
  return app.supportItem()->isVisible();
}

// Counts connections to a loopback port that stands in for the feed.
struct FeedPort {
  QTcpServer server;
  int connections = 0;
  FeedPort() {
    server.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&server, &QTcpServer::newConnection, [this] {
      while (QTcpSocket* s = server.nextPendingConnection()) {
        ++connections;
        s->close();
        s->deleteLater();
      }
    });
    setFeed("http://127.0.0.1:" + QString::number(server.serverPort()) + "/feed");
  }
  ~FeedPort() { setFeed("http://127.0.0.1:9/version.json"); }
  static void setFeed(const QString& url) {
    QSettings(userSettingsFile(), QSettings::IniFormat).setValue("updateFeed", url);
  }
  bool waitFor(int n, int ms = 5000) {
    return waitUntil([&] { return connections >= n; }, ms);
  }
};

TEST(AppDelegateUpdates, SupportPairFollowsTheFeedAndSurvivesARestart) {
  const std::string on = "https://" + std::string(Build::siteHost) + "/sideproject/support";
  Harness h;
  const std::vector<std::string> quiet{"--no-guide", "--no-update"};
  {
    auto app = h.launch(quiet);
    EXPECT_FALSE(supportShown(*app));
    app->feedArrived(on, start);
    EXPECT_TRUE(supportShown(*app));
    EXPECT_EQ(UpdateStore::load(h.path("update.json")), (UpdateState{on, start * 1000}));
  }
  {
    auto app = h.launch(quiet);
    EXPECT_TRUE(supportShown(*app));
    for (bool korean : {true, false}) {
      isKorean = korean;
      app->supportItem()->trigger();
    }
    isKorean = false;
    EXPECT_EQ(h.opened, (std::vector<QUrl>{QUrl(QString::fromStdString(Links::supportKo())),
                                           QUrl(QString::fromStdString(Links::supportEn()))}));
    app->feedArrived(std::nullopt, start + 3);
    EXPECT_FALSE(supportShown(*app));
  }
  EXPECT_FALSE(supportShown(*h.launch(quiet)));
}

TEST(AppDelegateUpdates, LaunchSchedule) {
  struct Case {
    const char* name;
    std::vector<std::string> options;
    bool scheduled;
    bool checkAtOnce;
  } cases[] = {
      {"no update", {"--no-guide", "--no-update"}, false, false},
      {"default", {"--no-guide"}, true, false},
      {"update now", {"--no-guide", "--update-now"}, true, true},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.name);
    FeedPort feed;
    Harness h;
    Updater::autoInstall = false;
    auto app = h.launch(tc.options);
    EXPECT_EQ(Updater::autoInstall, tc.checkAtOnce);
    EXPECT_EQ(app->wakeWatcher() != nullptr, tc.scheduled);
    ASSERT_EQ(app->dailyCheck() != nullptr, tc.scheduled);
    if (tc.scheduled) {
      EXPECT_TRUE(app->dailyCheck()->isActive());
      EXPECT_EQ(app->dailyCheck()->interval(), 86400000);
    }
    // A check that is not due at once would come no sooner than 10 s.
    EXPECT_EQ(feed.waitFor(1, tc.checkAtOnce ? 5000 : 300), tc.checkAtOnce);
    Updater::autoInstall = false;
  }
}

TEST(AppDelegateUpdates, MenuCheckFeedHandlerAndWakeReachTheController) {
  FeedPort feed;
  Harness h;
  auto app = h.launch({"--no-guide", "--no-update"});
  app->updateItem()->trigger();
  EXPECT_TRUE(feed.waitFor(1));
  Updater::onFeed(std::nullopt, start + 5);
  EXPECT_EQ(app->updateState().checked_at, (start + 5) * 1000);

  int checks = 0;
  app->wakeSchedule().scheduleAfterWake = [&](double seconds, Updater::WakeSchedule::Work work) {
    EXPECT_EQ(seconds, 10);
    work();
  };
  app->wakeSchedule().runAutoCheck = [&] { ++checks; };
  EXPECT_FALSE(app->handleWake(start + 3600)) << "an hour after the feed";
  h.now = start + 5 + 86400;
  EXPECT_TRUE(app->handleWake(h.now));
  EXPECT_EQ(checks, 1);
}

}  // namespace
