// The controller driven as the event loop would drive it, with a made-up
// clock, no display and no tray, its files in a temporary folder.
#include <gtest/gtest.h>

#include <fstream>

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>

#include "app/links.hpp"

#include "app/app_delegate.hpp"
#include "display/phrases.hpp"
#include "store/process_paths.hpp"
#include "store/reading_store.hpp"

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

  std::filesystem::path path(const char* name) const {
    return std::filesystem::path(dir.path().toStdString()) / name;
  }

  ControllerServices services() {
    BridgeSettings bridge;
    bridge.port = 0;
    return ControllerServices{
        .now = [this] { return now; },
        .openUrl = [this](const QUrl& url) { opened.push_back(url); },
        .alert = [this](const QString& text) { alerts.push_back(text); },
        .writeState =
            [this](const Shown& shown, const ListenState&) {
              ++stateWrites;
              written = shown;
            },
        .trayAvailable = [] { return true; },
        .showGuide = [this](bool noTray) { guides.push_back(noTray); },
        .bridge = bridge,
        .lastFile = path("last.json"),
        .updateFile = path("update.json"),
        .lockFile = path("run/q.lock"),
        .login = LoginItem(path("config/autostart/q.desktop"), "/usr/bin/quotalume"),
    };
  }
};

Reading okReading(Date at, double pct) {
  Reading r;
  r.status = "ok";
  r.fetched_at = at * 1000;
  r.received_at = at * 1000;
  r.windows = {UsageWindow{"session", pct, (at + 3600) * 1000}};
  return r;
}

void pump(int ms) {
  QElapsedTimer timer;
  timer.start();
  do {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  } while (timer.elapsed() < ms);
}

bool pumpUntil(const std::function<bool()>& done, int ms = 5000) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

std::vector<QString> visibleTitles(QMenu* menu) {
  std::vector<QString> titles;
  for (QAction* a : menu->actions())
    if (a->isVisible()) titles.push_back(a->isSeparator() ? QStringLiteral("---") : a->text());
  return titles;
}

std::size_t logLines(const std::string& text) {
  std::ifstream in(logURL());
  std::size_t n = 0;
  for (std::string line; std::getline(in, line);) n += line.find(text) != std::string::npos;
  return n;
}

TEST(AppDelegate, ABurstKeepsTheLastReadingWithOneSaveAndOneRender) {
  Harness h;
  AppDelegate app({"quotalume"}, h.services());
  ASSERT_TRUE(app.launch());
  pumpUntil([&] { return app.listen().kind == ListenState::Kind::ready; });
  const int writesBefore = h.stateWrites;
  const std::size_t linesBefore = logLines("reading status=ok windows=1");

  for (double pct : {10.0, 20.0, 77.0}) app.enqueue(okReading(start, pct));
  pump(50);

  EXPECT_EQ(h.stateWrites, writesBefore + 1);
  EXPECT_EQ(logLines("reading status=ok windows=1"), linesBefore + 1);
  EXPECT_TRUE(app.freshThisSession());
  ASSERT_TRUE(h.written);
  EXPECT_EQ(h.written->headline, "77%");
  EXPECT_EQ(app.toolTip(), "Quotalume 77%");
  EXPECT_EQ(app.traySpec().number, "77");
  EXPECT_EQ(app.traySpec().tone, Tone::orange);
  const Saved onDisk = Store::load(h.path("last.json"), start);
  ASSERT_TRUE(onDisk.ok);
  EXPECT_EQ(onDisk.ok->windows[0].pct, 77);
}

TEST(AppDelegate, IgnoredReadingsChangeNothing) {
  Harness h;
  Saved stored;
  stored.ok = stored.latest = okReading(start - 60, 42);
  Store::save(stored, h.path("last.json"));
  AppDelegate app({"quotalume", "--no-guide"}, h.services());
  ASSERT_TRUE(app.launch());
  ASSERT_TRUE(pumpUntil([&] { return app.listen().kind == ListenState::Kind::ready; }));
  const int writes = h.stateWrites;
  Reading error;
  error.status = "error";
  error.received_at = (start - 60) * 1000 + 299999;
  error.fetched_at = error.received_at;
  app.enqueue(error);
  pump(30);
  EXPECT_EQ(h.stateWrites, writes);
  EXPECT_FALSE(app.freshThisSession());
  EXPECT_EQ(app.saved(), stored);
}

TEST(AppDelegate, RenderDrawsOnlyChangesUnlessForced) {
  Harness h;
  AppDelegate app({"quotalume", "--no-guide"}, h.services());
  ASSERT_TRUE(app.launch());
  ASSERT_TRUE(pumpUntil([&] { return app.listen().kind == ListenState::Kind::ready; }));
  const int writes = h.stateWrites;
  app.render(false);
  app.render(false);
  EXPECT_EQ(h.stateWrites, writes);
  app.render(true);
  EXPECT_EQ(h.stateWrites, writes + 1);
}

TEST(AppDelegate, StoredNumbersShowAsStaleUntilConfirmed) {
  Harness h;
  Saved stored;
  stored.ok = stored.latest = okReading(start - 30, 42);
  Store::save(stored, h.path("last.json"));
  AppDelegate app({"quotalume"}, h.services());
  ASSERT_TRUE(app.launch());
  ASSERT_TRUE(app.lastShown());
  EXPECT_EQ(app.lastShown()->phase, "stale");
  EXPECT_EQ(app.traySpec().tone, Tone::dim);
  pump(800);
  EXPECT_TRUE(h.guides.empty()) << "a stored reading means the extension was set up";
}

TEST(AppDelegate, GuideIsScheduledOnlyWithoutAStoredReading) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
    bool trayAvailable;
    std::vector<bool> guides;  // the noTray flag of each showing
  } cases[] = {
      {"first launch", {"quotalume"}, true, {false}},
      {"first launch, told not to", {"quotalume", "--no-guide"}, true, {}},
      {"no tray on this desktop", {"quotalume"}, false, {true}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Harness h;
    auto services = h.services();
    const bool tray = c.trayAvailable;
    services.trayAvailable = [tray] { return tray; };
    AppDelegate app(c.args, services);
    ASSERT_TRUE(app.launch());
    pump(300);
    EXPECT_TRUE(h.guides.empty()) << "not before 0.6 s";
    pump(500);
    EXPECT_EQ(h.guides, c.guides);
  }
}

TEST(AppDelegate, BusyPortIsRetriedByTheThirtySecondStep) {
  QTcpServer holder;
  ASSERT_TRUE(holder.listen(QHostAddress::LocalHost, 0));
  Harness h;
  auto services = h.services();
  services.bridge.port = holder.serverPort();
  AppDelegate app({"quotalume", "--no-guide"}, services);
  ASSERT_TRUE(app.launch());
  ASSERT_TRUE(pumpUntil([&] { return app.listen().kind == ListenState::Kind::busy; }));
  ASSERT_TRUE(h.written);
  EXPECT_EQ(h.written->phase, "port_busy");

  app.thirtySecondTick();
  EXPECT_EQ(app.listen().kind, ListenState::Kind::starting);
  ASSERT_TRUE(pumpUntil([&] { return app.listen().kind == ListenState::Kind::busy; }));

  holder.close();
  app.thirtySecondTick();
  ASSERT_TRUE(pumpUntil([&] { return app.listen().kind == ListenState::Kind::ready; }));
  EXPECT_EQ(h.written->phase, "waiting_first");
}

TEST(AppDelegate, MenusShowTheirTitlesInBothLanguages) {
  struct Case {
    bool korean;
    std::vector<QString> commands;
  } cases[] = {
      {false,
       {"Install the browser extension\u2026", "Open at login", "Check for updates\u2026",
        "Quotalume website", "---", "Quit Quotalume"}},
      {true,
       {"브라우저 확장 설치하기\u2026", "로그인 시 자동 실행", "업데이트 확인\u2026", "Quotalume 페이지",
        "---", "Quotalume 종료"}},
  };
  const bool wasKorean = isKorean;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.korean ? "ko" : "en");
    isKorean = c.korean;
    Harness h;
    AppDelegate app({"quotalume", "--no-guide"}, h.services());
    ASSERT_TRUE(app.launch());

    std::vector<QString> panel = visibleTitles(app.panelMenu());
    ASSERT_GE(panel.size(), 2u);
    EXPECT_EQ(panel[1], "---") << "the panel and its separator come first while there is something to show";
    EXPECT_EQ(std::vector<QString>(panel.begin() + 2, panel.end()), c.commands);

    // The context menu carries the panel as text: here the waiting line.
    std::vector<QString> context = visibleTitles(app.contextMenu());
    ASSERT_EQ(context.size(), c.commands.size() + 2);
    EXPECT_EQ(QString::fromStdString(*app.lastShown()->status), context[0]);
    EXPECT_EQ(std::vector<QString>(context.begin() + 2, context.end()), c.commands);
    EXPECT_FALSE(app.updateItem()->isEnabled());
    EXPECT_EQ(app.contextMenu()->actions().back()->shortcut(), QKeySequence("Ctrl+Q"));
  }
  isKorean = wasKorean;
}

TEST(AppDelegate, ContextRowsFollowTheModel) {
  Harness h;
  AppDelegate app({"quotalume", "--no-guide"}, h.services());
  ASSERT_TRUE(app.launch());
  Reading r = okReading(start, 42);
  r.windows.push_back(UsageWindow{"weekly", 10, (start + 86400) * 1000});
  r.plan = "Max 5x";
  app.enqueue(r);
  pump(30);
  const std::vector<QString> context = visibleTitles(app.contextMenu());
  // Two lines per window, then the footer, then the separator.
  ASSERT_GE(context.size(), 6u);
  EXPECT_TRUE(context[0].startsWith("5-hour limit")) << context[0].toStdString();
  EXPECT_TRUE(context[4].startsWith("Max 5x")) << context[4].toStdString();
  EXPECT_EQ(context[5], "---");
}

TEST(AppDelegate, OneTickerWhileAMenuIsOpen) {
  Harness h;
  AppDelegate app({"quotalume", "--no-guide"}, h.services());
  ASSERT_TRUE(app.launch());
  app.menuWillOpen();
  app.menuWillOpen();
  EXPECT_EQ(app.findChildren<QTimer*>().size(), 2u) << "the 30-second timer and one ticker";
  EXPECT_TRUE(app.menuOpen());
  EXPECT_TRUE(app.tickerRunning());
  app.menuDidClose();
  EXPECT_FALSE(app.menuOpen());
  EXPECT_FALSE(app.tickerRunning());
}

TEST(AppDelegate, LoginToggleFollowsTheRealState) {
  Harness h;
  AppDelegate app({"quotalume", "--no-guide"}, h.services());
  ASSERT_TRUE(app.launch());
  EXPECT_FALSE(app.loginOn());
  app.toggleLogin();
  EXPECT_TRUE(app.loginOn());
  EXPECT_TRUE(std::filesystem::exists(h.path("config/autostart/q.desktop")));
  app.toggleLogin();
  EXPECT_FALSE(app.loginOn());
  EXPECT_TRUE(h.alerts.empty());

  // Changed outside the app: the next opening of the menu shows it.
  std::filesystem::create_directories(h.path("config/autostart"));
  std::ofstream(h.path("config/autostart/q.desktop")) << "[Desktop Entry]\nExec=q\n";
  app.menuNeedsUpdate();
  EXPECT_TRUE(app.loginOn());
}

TEST(AppDelegate, AFailedLoginChangeAlertsOnceAndKeepsTheMark) {
  const bool wasKorean = isKorean;
  for (bool korean : {false, true}) {
    isKorean = korean;
    Harness h;
    std::ofstream(h.path("config")) << "not a folder";
    const std::size_t before = logLines("login item: ");
    AppDelegate app({"quotalume", "--no-guide"}, h.services());
    ASSERT_TRUE(app.launch());
    app.toggleLogin();
    ASSERT_EQ(h.alerts.size(), 1u);
    EXPECT_EQ(h.alerts[0],
              korean ? QString("로그인 항목 설정 실패") : QString("Couldn\u2019t change the login item"));
    EXPECT_FALSE(app.loginOn());
    EXPECT_EQ(logLines("login item: "), before + 1);
  }
  isKorean = wasKorean;
}

TEST(AppDelegate, ASecondCopyStepsAside) {
  Harness h;
  AppDelegate first({"quotalume", "--no-guide"}, h.services());
  ASSERT_TRUE(first.launch());
  const std::size_t before = logLines("already running, quitting this copy");
  AppDelegate second({"quotalume", "--no-guide"}, h.services());
  EXPECT_FALSE(second.launch());
  EXPECT_EQ(second.bridgePort(), 0) << "no listener for the second copy";
  EXPECT_EQ(logLines("already running, quitting this copy"), before + 1);
}

TEST(AppDelegate, PagesOpenThroughTheDesktop) {
  Harness h;
  AppDelegate app({"quotalume", "--no-guide"}, h.services());
  ASSERT_TRUE(app.launch());
  app.openPage();
  ASSERT_EQ(h.opened.size(), 1u);
  EXPECT_EQ(h.opened[0].toString().toStdString(), Links::page());
}

}  // namespace
