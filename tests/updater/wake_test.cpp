#include <gtest/gtest.h>

#include "build_config.hpp"
#include "store/update_store.hpp"
#include "support/private_bus.hpp"
#include "updater/feed_receipt.hpp"
#include "updater/wake_schedule.hpp"
#include "updater/wake_watcher.hpp"
#include "updater_fixtures.hpp"

namespace {

constexpr Date day = 86400;
constexpr Date t0 = 1760421600;

// An immediate or held scheduler, a counting check and a settable clock.
struct WakeHarness {
  std::optional<double> checkedAt;
  Date now = t0;
  int checks = 0;
  std::vector<std::pair<double, Updater::WakeSchedule::Work>> held;
  Updater::WakeSchedule schedule{[this] { return checkedAt; }, [this] { return now; }};

  WakeHarness() {
    schedule.scheduleAfterWake = [this](double seconds, Updater::WakeSchedule::Work work) {
      held.emplace_back(seconds, std::move(work));
    };
    schedule.runAutoCheck = [this] { ++checks; };
  }
  void runHeld() {
    auto work = std::move(held);
    held.clear();
    for (auto& [seconds, w] : work) {
      EXPECT_EQ(seconds, 10);
      now += seconds;
      w();
    }
  }
};

TEST(WakeSchedule, Cases) {
  struct Case {
    const char* name;
    std::optional<double> checkedAt;  // epoch seconds of the last feed
    std::optional<double> feedDuringDelay;
    bool scheduled;
    int checks;
  } cases[] = {
      {"never received", std::nullopt, std::nullopt, true, 1},
      {"an hour after a feed", t0 - 3600, std::nullopt, false, 0},
      {"more than a day after", t0 - day - 1, std::nullopt, true, 1},
      {"feed arrives during the delay", t0 - 2 * day, t0 + 5, true, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WakeHarness h;
    if (c.checkedAt) h.checkedAt = *c.checkedAt * 1000;
    EXPECT_EQ(h.schedule.handleWake(h.now), c.scheduled);
    EXPECT_EQ(h.schedule.wakeCheckPending(), c.scheduled);
    if (c.feedDuringDelay) h.checkedAt = *c.feedDuringDelay * 1000;
    h.runHeld();
    EXPECT_FALSE(h.schedule.wakeCheckPending());
    EXPECT_EQ(h.checks, c.checks);
  }
}

TEST(WakeSchedule, OnePendingAtATimeThenAgain) {
  WakeHarness h;
  LogLines log;
  EXPECT_TRUE(h.schedule.handleWake(h.now));
  EXPECT_FALSE(h.schedule.handleWake(h.now + 1));
  EXPECT_EQ(h.held.size(), 1u);
  EXPECT_EQ(log.count("wake: update check due, in 10 s"), 1);
  EXPECT_EQ(log.count("wake: update check not due"), 1);
  h.runHeld();
  EXPECT_EQ(h.checks, 1);
  EXPECT_TRUE(h.schedule.handleWake(h.now)) << "the check brought no feed, so the next wake tries again";
}

TEST(WakeSchedule, WorkAfterTheScheduleIsGoneDoesNothing) {
  int checks = 0;
  Updater::WakeSchedule::Work work;
  {
    Updater::WakeSchedule schedule([] { return std::nullopt; }, [] { return t0; });
    schedule.scheduleAfterWake = [&](double, Updater::WakeSchedule::Work w) { work = std::move(w); };
    schedule.runAutoCheck = [&] { ++checks; };
    ASSERT_TRUE(schedule.handleWake(t0));
  }
  work();
  EXPECT_EQ(checks, 0);
}

TEST(FeedReceipt, SavesAndReportsOnlyChanges) {
  const std::string on = "https://" + std::string(Build::siteHost) + "/sideproject/support";
  struct Case {
    const char* name;
    std::optional<std::string> before, support;
    std::optional<bool> change;
    const char* line;
  } cases[] = {
      {"switch turns on", std::nullopt, on, true, "support menu on"},
      {"stays on", on, on + "/x", std::nullopt, nullptr},
      {"turns off without support", on, std::nullopt, false, "support menu off"},
      {"http never shows", std::nullopt, "http://" + std::string(Build::siteHost), std::nullopt, nullptr},
  };
  QTemporaryDir temp;
  const auto file = std::filesystem::path(temp.path().toStdString()) / "sub" / "update.json";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LogLines log;
    UpdateState state{c.before, 5};
    EXPECT_EQ(Updater::receiveFeed(state, c.support, t0, file), c.change);
    const UpdateState want{c.support, t0 * 1000};
    EXPECT_EQ(state, want);
    EXPECT_EQ(UpdateStore::load(file), want);
    EXPECT_EQ(log.count("support menu"), c.line ? 1 : 0);
    EXPECT_TRUE(!c.line || log.has(c.line));
  }
}

// The stand-in for logind, in its own process so that it owns its bus name.
struct FakeLogind {
  QProcess process;
  FakeLogind(const QString& address, const char* role) {
    process.start(FAKE_LOGIND, {address, role});
    process.waitForReadyRead(10000);
    ready = process.readLine().trimmed() == "ready";
  }
  bool emitSignal(bool sleeping) {
    process.write(sleeping ? "true\n" : "false\n");
    return process.waitForReadyRead(10000) && process.readLine().trimmed() == "sent";
  }
  ~FakeLogind() {
    process.closeWriteChannel();
    if (!process.waitForFinished(5000)) process.kill();
  }
  bool ready = false;
};

TEST(WakeWatcher, HearsOnlyLogindsWakeOnTheSystemBus) {
  PrivateBus bus;
  ASSERT_FALSE(bus.address.isEmpty());
  FakeLogind logind(bus.address, "own");
  FakeLogind stranger(bus.address, "stranger");
  ASSERT_TRUE(logind.ready && stranger.ready);

  // The watcher finds the system bus the way the application does.
  setenv("DBUS_SYSTEM_BUS_ADDRESS", bus.address.toUtf8().constData(), 1);
  Updater::WakeWatcher watcher;
  ASSERT_TRUE(watcher.listening());
  int wakes = 0;
  QObject::connect(&watcher, &Updater::WakeWatcher::woke, [&] { ++wakes; });

  ASSERT_TRUE(logind.emitSignal(false));
  ASSERT_TRUE(waitUntil([&] { return wakes == 1; }));
  // Going to sleep is not a wake, and a program that does not own logind's
  // name cannot fake one; the bus keeps each sender's order, so the last
  // signal arriving means the ones before it were seen too.
  ASSERT_TRUE(logind.emitSignal(true));
  ASSERT_TRUE(stranger.emitSignal(false));
  ASSERT_TRUE(logind.emitSignal(false));
  ASSERT_TRUE(waitUntil([&] { return wakes >= 2; }));
  settle();
  EXPECT_EQ(wakes, 2);
}

TEST(WakeWatcher, WithoutABusItLogsAndGoesOn) {
  LogLines log;
  const QDBusConnection none = QDBusConnection::connectToBus(QString("unix:path=/nonexistent/bus"), "none");
  Updater::WakeWatcher watcher(none, nullptr);
  EXPECT_FALSE(watcher.listening());
  EXPECT_EQ(log.count("wake: no system bus"), 1);
}

}  // namespace
