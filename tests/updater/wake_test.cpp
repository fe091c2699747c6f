#include <gtest/gtest.h>

#include <QDBusConnectionInterface>
#include <QDBusMessage>

#include "support/private_bus.hpp"
#include "updater/update_rules.hpp"
#include "updater/wake_schedule.hpp"
#include "updater/wake_watcher.hpp"
#include "updater_fixtures.hpp"

namespace {

constexpr Date day = 86400;
constexpr Date t0 = 1760421600;

TEST(WakeRule, DayOldOrClockBack) {
  constexpr double receipt = t0 * 1000;  // epoch ms
  struct Case {
    const char* name;
    std::optional<double> last;
    Date now;
    bool due;
  } cases[] = {
      {"never received", std::nullopt, t0, true},     {"23 h 59 min later", receipt, t0 + 86340, false},
      {"exactly a day", receipt, t0 + day, true},     {"three days", receipt, t0 + 3 * day, true},
      {"clock 4 min back", receipt, t0 - 240, false}, {"clock exactly 300 s back", receipt, t0 - 300, false},
      {"clock a day back", receipt, t0 - day, true},  {"stored NaN", std::nan(""), t0, false},
  };
  for (const auto& c : cases) EXPECT_EQ(Updater::dueOnWake(c.last, c.now), c.due) << c.name;
}

// A held scheduler, a counting check and a settable clock.
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
  h.runHeld();
  EXPECT_EQ(h.checks, 1);
  // The check brought no feed, so the next wake tries again.
  EXPECT_TRUE(h.schedule.handleWake(h.now));
  const std::string due = "wake: update check due, in 10 s";
  EXPECT_EQ(log.messages(), (std::vector<std::string>{due, "wake: update check not due", due}));
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

// logind's stand-in and another program each have a connection of their own
// to a private bus, as separate processes would.
TEST(WakeWatcher, HearsOnlyLogindsWakeOnTheSystemBus) {
  PrivateBus bus;
  ASSERT_FALSE(bus.address.isEmpty());
  QDBusConnection logind = QDBusConnection::connectToBus(bus.address, "logind");
  QDBusConnection stranger = QDBusConnection::connectToBus(bus.address, "stranger");
  ASSERT_TRUE(logind.registerService("org.freedesktop.login1") && stranger.isConnected());
  const auto send = [](QDBusConnection& from, bool sleeping) {
    QDBusMessage signal = QDBusMessage::createSignal("/org/freedesktop/login1",
                                                     "org.freedesktop.login1.Manager", "PrepareForSleep");
    signal << sleeping;
    // A round trip on the same connection: once it returns, the bus has the
    // signal that went out before it, and delivers it before any later one.
    return from.send(signal) && from.interface()->serviceOwner("org.freedesktop.DBus").isValid();
  };

  // The watcher finds the system bus the way the application does.
  setenv("DBUS_SYSTEM_BUS_ADDRESS", bus.address.toUtf8().constData(), 1);
  Updater::WakeWatcher watcher;
  ASSERT_TRUE(watcher.listening());
  int wakes = 0;
  QObject::connect(&watcher, &Updater::WakeWatcher::woke, [&] { ++wakes; });

  ASSERT_TRUE(send(logind, false));
  ASSERT_TRUE(waitUntil([&] { return wakes == 1; }));
  // Going to sleep is not a wake, and a program that does not own logind's
  // name cannot fake one.
  ASSERT_TRUE(send(logind, true));
  ASSERT_TRUE(send(stranger, false));
  ASSERT_TRUE(send(logind, false));
  ASSERT_TRUE(waitUntil([&] { return wakes >= 2; }));
  settle();
  EXPECT_EQ(wakes, 2);
}

TEST(WakeWatcher, WithoutABusItLogsAndGoesOn) {
  LogLines log;
  const QDBusConnection none = QDBusConnection::connectToBus(QString("unix:path=/nonexistent/bus"), "none");
  Updater::WakeWatcher watcher(none, nullptr);
  EXPECT_FALSE(watcher.listening());
  EXPECT_EQ(log.messages(),
            std::vector<std::string>{"wake: no system bus, update checks after sleep are off"});
}

}  // namespace
