#include "updater/update_check.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include <QDBusConnectionInterface>
#include <QDBusMessage>

#include "base/app_version.hpp"
#include "build_config.hpp"
#include "support/private_bus.hpp"
#include "updater/feed_document.hpp"
#include "updater/support_switch.hpp"
#include "updater/update_rules.hpp"
#include "updater/update_texts.hpp"
#include "updater/wake_schedule.hpp"
#include "updater/wake_watcher.hpp"
#include "updater_fixtures.hpp"

namespace {

using namespace std::chrono_literals;

const std::string local(appVersion()), H = Build::siteHost;

std::string feedWith(const std::string& version, const std::string& url = "https://x/r.zip") {
  return R"({"linux":{"version":")" + version + R"(","url":")" + url + R"(","sha256":"ab","notes":"Fixes"}})";
}

// Manual checks ignore the guard.
TEST_F(UpdaterFixture, OneAutomaticCheckAtATime) {
  server.answer = {feedWith(local)};
  LogLines log;
  const auto count = [&](const std::string& line) { return std::ranges::count(log.messages(), line); };
  updates.check(false);
  updates.check(false);
  updates.check(true);
  ASSERT_TRUE(waitUntil([&] { return count("update check remote=" + local + " local=" + local) == 2; }));
  EXPECT_EQ(count("update check skipped: another auto check is running"), 1);
  EXPECT_EQ(server.heads.size(), 2u);
  EXPECT_NE(server.heads[0].find("User-Agent: Quotalume/" + local + "\r\n"), std::string::npos);
}

// The trickling feed ends at its deadline, and the automatic checks after it
// go out again.
TEST_F(UpdaterFixture, CheckOutcomes) {
  const std::string support = "https://" + H + "/s", page = "\"" + support + "\"";
  const std::string failed = "failed code=200 err=-", alert = "info: " + UpdateTexts::checkFailed() + "\n";
  const std::string offer =
      "offer: Quotalume 9.9 is available | Fixes\n\nThe app will quit and reopen to finish the update.";
  const std::string same = "remote=" + local + " local=" + local, newer = "remote=9.9 local=" + local;
  const std::string brokenEntry = R"({"linux":{"version":"9"},"support":)" + page + "}";
  const std::string current = "feed -\ninfo: You\u2019re up to date (" + local + ").\n";
  struct Case {
    const char* name;
    bool manual;
    LocalServer::Answer answer;
    std::string line;       // after "update check "
    std::string seen;       // reported feeds and alerts, in order
    std::string feed = "";  // the loopback server's when empty
  } cases[] = {
      {"404", true, {"{}", 404}, "failed code=404 err=-", alert},
      {"trickling feed", false, {"{", 200, 50}, "failed code=200 err=Operation canceled", ""},
      {"refused connection", true, {}, "failed code=0 err=Connection refused", alert, "http://127.0.0.1:1/f"},
      {"JSON array is not a feed", true, {"[" + page + "]"}, failed, alert},
      {"broken entry still delivers support", false, {brokenEntry}, failed, "feed " + support + "\n"},
      {"feed without this platform", false, {R"({"mac":{"version":"9"}})"}, failed, "feed -\n"},
      {"same version, manual", true, {feedWith(local)}, same, current},
      {"older version is silent", false, {feedWith("0.0.1", "")}, "remote=0.0.1 local=" + local, "feed -\n"},
      {"newer version without url, manual", true, {feedWith("9.9", "")}, newer, current},
      {"newer version is offered", false, {feedWith("9.9")}, newer, "feed -\n" + offer + "\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LogLines log;
    seen.clear();
    server.answer = c.answer;
    Updater::timeLimits().feedExchange = c.answer.trickleMs < 0 ? 15000ms : 200ms;
    setFeed(c.feed.empty() ? server.url("/feed") : c.feed);
    updates.check(c.manual);
    ASSERT_TRUE(waitUntil([&] { return !log.messages().empty(); }));
    settle();
    EXPECT_EQ(log.messages(), std::vector<std::string>{"update check " + c.line});
    EXPECT_EQ(seen, c.seen);
  }
}

// Each processor reads its own member, "linux" being the x86-64 release kept
// for copies from before the per-processor members; the first member present
// decides even when it is broken.
TEST(FeedDocument, EachProcessorReadsItsOwnRelease) {
  const auto entry = [](const char* v) {
    return R"({"version":")" + std::string(v) + R"(","url":"u","sha256":"s"})";
  };
  const std::string old = R"({"linux":)" + entry("1") + "}";
  const std::string both = R"({"linux":)" + entry("1") + R"(,"linux-amd64":)" + entry("2") +
                           R"(,"linux-arm64":)" + entry("3") + "}";
  const auto x86 = Updater::feedMembers(Updater::elfX86_64), arm = Updater::feedMembers(Updater::elfAarch64);
  using Got = std::optional<std::string>;  // the version read, "-" for no entry
  const std::tuple<const char*, std::string, std::span<const std::string_view>, Got> cases[] = {
      {"x86-64", both, x86, "2"},
      {"ARM", both, arm, "3"},
      {"x86-64 on a feed from before the split", old, x86, "1"},
      {"ARM on a feed from before the split", old, arm, "-"},
      {"own member broken", R"({"linux-amd64":{"version":"2"},"linux":)" + entry("1") + "}", x86, Got()},
  };
  for (const auto& [name, body, members, want] : cases) {
    const auto feed = Updater::decodeFeed(body, members);
    EXPECT_EQ(feed ? std::optional(feed->entry ? feed->entry->version : "-") : std::nullopt, want) << name;
  }
}

TEST(SupportSwitch, OnlyHttpsPagesOnTheMakersHost) {
  const std::pair<std::optional<std::string>, bool> cases[] = {
      {"https://" + H, true},
      {"https://" + H + ".evil.example/x", false},
      {"https://evil.example/" + H, false},
      {"https://user@" + H + "/x", false},
      {"https://" + H + "/a b", false},
      {std::nullopt, false},
  };
  for (const auto& [value, on] : cases)
    EXPECT_EQ(Links::supportSwitchOn(value), on) << value.value_or("absent");
}

TEST(Versions, NumericPieceByPiece) {
  const std::tuple<const char*, const char*, bool> cases[] = {
      {"1.0.3", "1.0.2", true},
      {"1.1", "1.0.5", true},
      {"1.0", "1.0.0", false},
      {"1.0.0.1", "1.0", true},
      {"1..3", "1.2", true},
      {"+2", "1", true},
      {"1.+-5", "1.-5", true},
      {"1.99999999999999999999", "1", false},
      {"1.9223372036854775807", "1.9223372036854775806", true},
      {"1. 2", "1.0", false},
      {"", "0", false},
  };
  for (const auto& [a, b, newer] : cases) EXPECT_EQ(Updater::newer(a, b), newer) << a << " vs " << b;
}

// A wake schedules one check when the last feed is a day old or the clock went
// back; the check runs only if no feed arrived during the delay.
TEST(WakeSchedule, DayOldOrClockBackAndStillDueAfterTheDelay) {
  constexpr EpochSeconds day = 86400, t0 = 1760421600;
  constexpr double receipt = t0 * 1000;  // epoch ms
  const std::tuple<const char*, std::optional<double>, EpochSeconds, bool> cases[] = {
      {"never received", std::nullopt, t0, true},     {"23 h 59 min later", receipt, t0 + 86340, false},
      {"exactly a day", receipt, t0 + day, true},     {"three days", receipt, t0 + 3 * day, true},
      {"clock 4 min back", receipt, t0 - 240, false}, {"clock exactly 300 s back", receipt, t0 - 300, false},
      {"clock a day back", receipt, t0 - day, true},  {"stored NaN", std::nan(""), t0, false},
  };
  for (const auto& [name, last, now, due] : cases) {
    for (const bool feedMeanwhile : {false, true}) {
      std::optional<double> checked = last;
      int ran = 0;
      Updater::WakeSchedule wake([&] { return checked; }, [now = now] { return now + 10; }, [&] { ++ran; });
      std::vector<Updater::WakeSchedule::Work> delayed;
      wake.scheduleAfterWake = [&](double, Updater::WakeSchedule::Work work) { delayed.push_back(work); };
      EXPECT_EQ(wake.handleWake(now), due) << name;
      EXPECT_FALSE(wake.handleWake(now)) << name << ": pending, or not due";
      if (feedMeanwhile) checked = (now + 5) * 1000;
      for (const auto& work : delayed) work();
      EXPECT_EQ(ran, due && !feedMeanwhile) << name << (feedMeanwhile ? ", feed during the delay" : "");
    }
  }
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
