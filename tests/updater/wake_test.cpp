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

// One check 10 s after a wake when the last feed is a day old, with the clock
// read again when it runs; one pending at a time; nothing once the schedule is gone.
TEST(WakeSchedule, OneDelayedCheckWhileStillDue) {
  std::optional<double> checkedAt;  // epoch ms of the last feed
  Date now = t0;
  int checks = 0;
  std::vector<Updater::WakeSchedule::Work> held;
  auto schedule = std::make_unique<Updater::WakeSchedule>([&] { return checkedAt; }, [&] { return now; });
  schedule->scheduleAfterWake = [&](double seconds, Updater::WakeSchedule::Work work) {
    EXPECT_EQ(seconds, 10);
    held.push_back(std::move(work));
  };
  schedule->runAutoCheck = [&] { ++checks; };
  const auto runHeld = [&] {
    now += 10;
    for (auto& work : std::exchange(held, {})) work();
  };
  LogLines log;
  EXPECT_TRUE(schedule->handleWake(now));
  EXPECT_TRUE(schedule->wakeCheckPending());
  EXPECT_FALSE(schedule->handleWake(now + 1));
  runHeld();
  EXPECT_EQ(checks, 1);
  EXPECT_FALSE(schedule->wakeCheckPending());

  checkedAt = (now - 3600) * 1000;
  EXPECT_FALSE(schedule->handleWake(now));
  checkedAt = (now - 2 * day) * 1000;
  EXPECT_TRUE(schedule->handleWake(now));
  checkedAt = (now + 5) * 1000;  // a feed during the delay
  runHeld();
  EXPECT_EQ(checks, 1);

  checkedAt.reset();
  EXPECT_TRUE(schedule->handleWake(now));
  schedule.reset();
  runHeld();
  EXPECT_EQ(checks, 1);
  const std::string due = "wake: update check due, in 10 s", notDue = "wake: update check not due";
  EXPECT_EQ(log.messages(), (std::vector<std::string>{due, notDue, notDue, due, due}));
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

  // Going to sleep is not a wake, and a program that does not own logind's
  // name cannot fake one.
  ASSERT_TRUE(send(logind, false));
  ASSERT_TRUE(send(logind, true));
  ASSERT_TRUE(send(stranger, false));
  ASSERT_TRUE(send(logind, false));
  ASSERT_TRUE(waitUntil([&] { return wakes >= 2; }));
  settle();
  EXPECT_EQ(wakes, 2);
}

}  // namespace
