// The pieces that tie the app to the Linux desktop: the autostart entry,
// the one-copy lock, the tray's texts and the quit signals.
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>

#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QLockFile>
#include <QTemporaryDir>
#include <QTimer>

#include "app/login_item.hpp"
#include "app/quit_signals.hpp"
#include "app/single_instance.hpp"
#include "tray/tray_text.hpp"

namespace {

std::filesystem::path tempPath(const QTemporaryDir& dir) {
  return dir.path().toStdString();
}

TEST(LoginItem, EntryLocation) {
  const std::filesystem::path home = "/home/u";
  EXPECT_EQ(autostartEntryPath(fixedEnvironment({{"XDG_CONFIG_HOME", "/cfg"}}), home),
            "/cfg/autostart/kr.co.fernhallow.Quotalume.desktop");
  EXPECT_EQ(autostartEntryPath(fixedEnvironment({{"XDG_CONFIG_HOME", "relative"}}), home),
            "/home/u/.config/autostart/kr.co.fernhallow.Quotalume.desktop");
  EXPECT_EQ(autostartEntryPath(fixedEnvironment({}), home),
            "/home/u/.config/autostart/kr.co.fernhallow.Quotalume.desktop");
}

TEST(LoginItem, WhichEntriesStartTheApp) {
  struct Case {
    const char* name;
    const char* text;
    bool enabled;
  } cases[] = {
      {"plain entry", "[Desktop Entry]\nType=Application\nExec=q\n", true},
      {"hidden", "[Desktop Entry]\nExec=q\nHidden=true\n", false},
      {"hidden false", "[Desktop Entry]\nExec=q\nHidden=false\n", true},
      {"switched off for GNOME", "[Desktop Entry]\nExec=q\nX-GNOME-Autostart-enabled=false\n", false},
      {"spaces around the equals sign", "[Desktop Entry]\nHidden = true\n", false},
      {"hidden in another group only", "[Desktop Entry]\nExec=q\n[Desktop Action x]\nHidden=true\n", true},
      {"no entry group", "Exec=q\n", false},
      {"empty file", "", false},
      {"binary junk", "\x01\x02[Desktop\n", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(autostartEntryEnabled(c.text), c.enabled);
  }
}

TEST(LoginItem, ExecQuotesThePath) {
  const std::string text = autostartEntryText("/opt/my apps/Quotalume.app/bin/quo\"ta$lume%");
  EXPECT_NE(text.find("Exec=\"/opt/my apps/Quotalume.app/bin/quo\\\"ta\\$lume%%\"\n"), std::string::npos)
      << text;
  EXPECT_TRUE(autostartEntryEnabled(text));
}

TEST(LoginItem, EnableThenDisableTwice) {
  QTemporaryDir dir;
  const LoginItem item(tempPath(dir) / "autostart" / "kr.co.fernhallow.Quotalume.desktop",
                       "/usr/bin/quotalume");
  EXPECT_FALSE(item.enable());
  EXPECT_TRUE(item.enabled());
  EXPECT_FALSE(item.disable());
  EXPECT_FALSE(item.enabled());
  EXPECT_FALSE(item.disable()) << "removing an entry that is not there is not a failure";
}

TEST(InstanceLock, LockPlace) {
  EXPECT_EQ(instanceLockPath(fixedEnvironment({{"XDG_RUNTIME_DIR", "/run/user/1"}}), "/d/Quotalume"),
            "/run/user/1/kr.co.fernhallow.Quotalume.lock");
  EXPECT_EQ(instanceLockPath(fixedEnvironment({}), "/d/Quotalume"), "/d/kr.co.fernhallow.Quotalume.lock");
}

TEST(InstanceLock, HeldByALiveCopyButNotByADeadOne) {
  QTemporaryDir dir;
  const auto path = tempPath(dir) / "q.lock";
  {
    InstanceLock first(path);
    ASSERT_TRUE(first.acquire());
    InstanceLock second(path);
    EXPECT_FALSE(second.acquire());
  }
  // A copy killed without cleaning up leaves its lock with a pid that is gone.
  const pid_t child = fork();
  if (child == 0) {
    QLockFile lock(QString::fromStdString(path.string()));
    lock.tryLock(0);
    _exit(0);  // no destructor: the lock file stays
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(std::filesystem::exists(path));
  InstanceLock after(path);
  EXPECT_TRUE(after.acquire());
}

TEST(TrayText, ToolTipRowsAndHiding) {
  Shown waiting, live, empty, footerOnly;
  waiting.status = "Waiting for the browser extension";
  live.headline = "42%";
  live.gauge = 0.42;
  live.rows = {"5-hour limit  42%", "   resets in 2h"};
  live.details = {ShownRow{}};
  live.footer = footerOnly.footer = "Max 5x";
  EXPECT_EQ(trayToolTip(waiting), "Quotalume \u2014 Waiting for the browser extension");
  EXPECT_EQ(panelTextRows(waiting), std::vector<std::string>{"Waiting for the browser extension"});
  EXPECT_EQ(trayToolTip(live), "Quotalume 42%");
  EXPECT_EQ(panelTextRows(live),
            (std::vector<std::string>{"5-hour limit  42%", "   resets in 2h", "Max 5x"}));
  EXPECT_EQ(trayToolTip(empty), "Quotalume");
  EXPECT_TRUE(panelHidden(empty));
  EXPECT_FALSE(panelHidden(waiting) || panelHidden(footerOnly));
}

TEST(QuitOnSignals, EachSignalEndsTheEventLoop) {
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(sig);
    QuitOnSignals quitter;
    int heard = 0;
    QObject::connect(&quitter, &QuitOnSignals::quitRequested, [&](int s) { heard = s; });
    QTimer::singleShot(0, [sig] { ::raise(sig); });
    // A second timer ends a loop the signal failed to end, so the test fails
    // instead of hanging.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(7); });
    guard.start(5000);
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_EQ(heard, sig);
  }
}

}  // namespace
