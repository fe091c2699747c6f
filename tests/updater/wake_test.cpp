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
  const std::tuple<const char*, std::optional<double>, Date, bool> cases[] = {
      {"never received", std::nullopt, t0, true},     {"23 h 59 min later", receipt, t0 + 86340, false},
      {"exactly a day", receipt, t0 + day, true},     {"three days", receipt, t0 + 3 * day, true},
      {"clock 4 min back", receipt, t0 - 240, false}, {"clock exactly 300 s back", receipt, t0 - 300, false},
      {"clock a day back", receipt, t0 - day, true},  {"stored NaN", std::nan(""), t0, false},
  };
  for (const auto& [name, last, now, due] : cases) EXPECT_EQ(Updater::dueOnWake(last, now), due) << name;
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

// Only logind's wake counts: not going to sleep, nor the same signal from a
// program that does not own logind's name.
TEST(WakeWatcher, HearsOnlyLogindsWake) {
  PrivateBus bus;
  QDBusConnection logind = QDBusConnection::connectToBus(bus.address, "logind " + bus.address);
  QDBusConnection stranger = QDBusConnection::connectToBus(bus.address, "stranger " + bus.address);
  ASSERT_TRUE(logind.registerService("org.freedesktop.login1") && stranger.isConnected());
  Updater::WakeWatcher watcher(QDBusConnection::connectToBus(bus.address, "watcher " + bus.address), nullptr);
  ASSERT_TRUE(watcher.listening());
  int wakes = 0;
  QObject::connect(&watcher, &Updater::WakeWatcher::woke, [&] { ++wakes; });
  for (auto [from, sleeping] :
       {std::pair{&logind, false}, {&logind, true}, {&stranger, false}, {&logind, false}}) {
    QDBusMessage signal = QDBusMessage::createSignal("/org/freedesktop/login1",
                                                     "org.freedesktop.login1.Manager", "PrepareForSleep");
    // Once a round trip on the same connection returns, the bus has the signal
    // and delivers it before any later one.
    ASSERT_TRUE(from->send(signal << sleeping) &&
                from->interface()->serviceOwner("org.freedesktop.DBus").isValid());
  }
  ASSERT_TRUE(waitUntil([&] { return wakes >= 2; }));
  settle();
  EXPECT_EQ(wakes, 2);
}

}  // namespace
