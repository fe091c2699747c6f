// The controller's update side: the support pair driven by the feed, the
// launch schedule of checks and the wake hooks.
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include "app/app_delegate.hpp"
#include "app/links.hpp"
#include "build_config.hpp"
#include "display/phrases.hpp"
#include "store/update_store.hpp"
#include "updater/update_check.hpp"
#include "updater/wake_watcher.hpp"

namespace {

constexpr Date start = 1760421600;

struct Controller {
  QTemporaryDir dir;
  Date now = start;
  std::vector<QUrl> opened;

  std::filesystem::path path(const char* name) const {
    return std::filesystem::path(dir.path().toStdString()) / name;
  }
  ControllerServices services() {
    BridgeSettings bridge;
    bridge.port = 0;
    return ControllerServices{
        .now = [this] { return now; },
        .openUrl = [this](const QUrl& url) { opened.push_back(url); },
        .alert = [](const QString&) {},
        .writeState = [](const Shown&, const ListenState&) {},
        .trayAvailable = [] { return true; },
        .showGuide = [](bool) {},
        .bridge = bridge,
        .lastFile = path("last.json"),
        .updateFile = path("update.json"),
        .lockFile = path("run/q.lock"),
        .login = LoginItem(path("autostart/q.desktop"), "/usr/bin/quotalume"),
    };
  }
};

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
    QSettings(QSettings::IniFormat, QSettings::UserScope, "Quotalume", "Quotalume")
        .setValue("updateFeed", url);
  }
  bool waitFor(int n, int ms = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (connections < n && timer.elapsed() < ms)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return connections >= n;
  }
};

TEST(UpdateWiring, SupportPairFollowsTheFeedAndSurvivesARestart) {
  const std::string on = "https://" + std::string(Build::siteHost) + "/sideproject/support";
  Controller c;
  {
    AppDelegate app({"quotalume", "--no-guide", "--no-update"}, c.services());
    ASSERT_TRUE(app.launch());
    EXPECT_FALSE(supportShown(app));
    app.feedArrived(on, start);
    EXPECT_TRUE(supportShown(app));
    EXPECT_EQ(UpdateStore::load(c.path("update.json")), (UpdateState{on, start * 1000}));
    app.feedArrived("http://" + std::string(Build::siteHost) + "/s", start + 1);
    EXPECT_FALSE(supportShown(app));
    app.feedArrived(on, start + 2);
  }
  {
    AppDelegate app({"quotalume", "--no-guide", "--no-update"}, c.services());
    ASSERT_TRUE(app.launch());
    EXPECT_TRUE(supportShown(app));
    for (bool korean : {true, false}) {
      isKorean = korean;
      app.supportItem()->trigger();
    }
    isKorean = false;
    ASSERT_EQ(c.opened.size(), 2u);
    EXPECT_EQ(c.opened[0].toString().toStdString(), Links::supportKo());
    EXPECT_EQ(c.opened[1].toString().toStdString(), Links::supportEn());
    app.feedArrived(std::nullopt, start + 3);
    EXPECT_FALSE(supportShown(app));
  }
  AppDelegate app({"quotalume", "--no-guide", "--no-update"}, c.services());
  ASSERT_TRUE(app.launch());
  EXPECT_FALSE(supportShown(app));
}

TEST(UpdateWiring, LaunchSchedule) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
    bool scheduled;
    bool checkAtOnce;
  } cases[] = {
      {"no update", {"quotalume", "--no-guide", "--no-update"}, false, false},
      {"default", {"quotalume", "--no-guide"}, true, false},
      {"update now", {"quotalume", "--no-guide", "--update-now"}, true, true},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.name);
    FeedPort feed;
    Controller c;
    Updater::autoInstall = false;
    AppDelegate app(tc.args, c.services());
    ASSERT_TRUE(app.launch());
    EXPECT_EQ(Updater::autoInstall, tc.checkAtOnce);
    EXPECT_EQ(app.wakeWatcher() != nullptr, tc.scheduled);
    ASSERT_EQ(app.dailyCheck() != nullptr, tc.scheduled);
    if (tc.scheduled) {
      EXPECT_TRUE(app.dailyCheck()->isActive());
      EXPECT_EQ(app.dailyCheck()->interval(), 86400000);
    }
    // A check that is not due at once would come no sooner than 10 s.
    EXPECT_EQ(feed.waitFor(1, tc.checkAtOnce ? 5000 : 300), tc.checkAtOnce);
    Updater::autoInstall = false;
  }
}

TEST(UpdateWiring, MenuCheckAndFeedHandlerReachTheController) {
  FeedPort feed;
  Controller c;
  AppDelegate app({"quotalume", "--no-guide", "--no-update"}, c.services());
  ASSERT_TRUE(app.launch());
  ASSERT_TRUE(app.updateItem()->isEnabled());
  app.updateItem()->trigger();
  EXPECT_TRUE(feed.waitFor(1));

  Updater::onFeed(std::nullopt, start + 5);
  EXPECT_EQ(app.updateState().checked_at, (start + 5) * 1000);
}

TEST(UpdateWiring, WakeRunsThroughTheReplaceableHooks) {
  Controller c;
  AppDelegate app({"quotalume", "--no-guide", "--no-update"}, c.services());
  ASSERT_TRUE(app.launch());
  int checks = 0;
  std::vector<double> delays;
  app.wakeSchedule().scheduleAfterWake = [&](double seconds, Updater::WakeSchedule::Work work) {
    delays.push_back(seconds);
    work();
  };
  app.wakeSchedule().runAutoCheck = [&] { ++checks; };

  EXPECT_TRUE(app.handleWake(start));  // never received
  EXPECT_EQ(checks, 1);
  app.feedArrived(std::nullopt, start);
  EXPECT_FALSE(app.handleWake(start + 3600));
  c.now = start + 86400;
  EXPECT_TRUE(app.handleWake(c.now));
  EXPECT_EQ(checks, 2);
  EXPECT_EQ(delays, (std::vector<double>{10, 10}));
}

}  // namespace
