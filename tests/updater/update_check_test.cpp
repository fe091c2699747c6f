#include "updater/update_check.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include "bridge/app_version.hpp"
#include "build_config.hpp"
#include "updater/feed_location.hpp"
#include "updater/support_switch.hpp"
#include "updater/time_limits.hpp"
#include "updater/update_rules.hpp"
#include "updater/update_texts.hpp"
#include "updater_fixtures.hpp"

namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;
using namespace std::chrono_literals;

const std::string local(appVersion()), H = Build::siteHost;

std::string feedWith(const std::string& version, const std::string& url = "https://x/r.zip") {
  return R"({"linux":{"version":")" + version + R"(","url":")" + url + R"(","sha256":"ab","notes":"Fixes"}})";
}

// Each reported feed goes into the effects' record, so that it shows what came first.
struct CheckFixture : ::testing::Test {
  LocalServer server;
  CapturedEffects effects;

  void SetUp() override {
    Updater::onFeed = [this](const std::optional<std::string>& support, Date at) {
      EXPECT_GT(at, 1.7e9);
      effects.seen += "feed " + support.value_or("-") + "\n";
    };
    setFeedSetting(server.url("/feed"));
  }
  void TearDown() override {
    Updater::onFeed = [](const std::optional<std::string>&, Date) {};
    Updater::timeLimits() = {};
    setFeedSetting("");
  }
};

// Manual checks ignore the guard. An automatic check started from the feed
// handler must go out, not be taken for the one still running.
TEST_F(CheckFixture, OneAutomaticCheckAtATime) {
  server.routes["/feed"] = {feedWith(local)};
  LogLines log;
  const std::string skipped = "update check skipped: another auto check is running";
  const auto count = [&](const std::string& line) { return std::ranges::count(log.messages(), line); };
  Updater::check(false);
  Updater::check(false);
  Updater::check(true);
  ASSERT_TRUE(waitUntil([&] { return count("update check remote=" + local + " local=" + local) == 2; }));
  EXPECT_EQ(count(skipped), 1);
  EXPECT_EQ(server.heads.size(), 2u);
  EXPECT_NE(server.heads[0].find("User-Agent: Quotalume/" + local + "\r\n"), std::string::npos);

  bool again = true;
  Updater::onFeed = [&](const std::optional<std::string>&, Date) {
    if (std::exchange(again, false)) Updater::check(false);
  };
  Updater::check(false);
  ASSERT_TRUE(waitUntil([&] { return count("update check remote=" + local + " local=" + local) == 4; }));
  settle();
  EXPECT_EQ(count(skipped), 1);
}

// The trickling feed ends at its deadline, and the automatic checks after it
// go out again.
TEST_F(CheckFixture, Outcomes) {
  const std::string support = "https://" + H + "/s", page = "\"" + support + "\"";
  const std::string failed = "failed code=200 err=-", alert = "info: " + UpdateTexts::checkFailed() + "\n";
  const std::string brokenEntry = R"({"linux":{"version":"9"},"support":)" + page + "}";
  const std::string offer =
      "offer: Quotalume 9.9 is available | Fixes\n\nThe app will quit and reopen to finish the update.";
  struct Case {
    const char* name;
    bool manual;
    int status;
    std::string body;
    std::string line;       // after "update check "
    std::string seen;       // reported feeds and alerts, in order
    std::string feed = "";  // the loopback server's when empty
    int trickleMs = -1;
  } cases[] = {
      {"404", true, 404, "{}", "failed code=404 err=-", alert},
      {"trickling feed", false, 200, "{", "failed code=200 err=Operation canceled", "", "", 50},
      {"refused connection", true, 0, "", "failed code=0 err=Connection refused", alert,
       "http://127.0.0.1:1/f"},
      {"JSON array is not a feed", true, 200, "[" + page + "]", failed, alert},
      {"broken entry still delivers support", false, 200, brokenEntry, failed, "feed " + support + "\n"},
      {"feed without this platform", false, 200, R"({"mac":{"version":"9"}})", failed, "feed -\n"},
      {"same version, manual", true, 200, feedWith(local), "remote=" + local + " local=" + local,
       "feed -\ninfo: You\u2019re up to date (" + local + ").\n"},
      {"older version, automatic is silent", false, 200, feedWith("0.0.1", ""), "remote=0.0.1 local=" + local,
       "feed -\n"},
      {"newer version without url, manual", true, 200, feedWith("9.9", ""), "remote=9.9 local=" + local,
       "feed -\ninfo: " + UpdateTexts::upToDate(appVersion()) + "\n"},
      {"newer version is offered", false, 200, feedWith("9.9"), "remote=9.9 local=" + local,
       "feed -\n" + offer + "\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LogLines log;
    effects.seen.clear();
    server.routes["/feed"] = {c.body, c.status, c.trickleMs};
    setFeedSetting(c.feed.empty() ? server.url("/feed") : c.feed);
    Updater::timeLimits() = {};
    if (c.trickleMs >= 0) Updater::timeLimits().feedExchange = 200ms;
    Updater::check(c.manual);
    ASSERT_TRUE(waitUntil([&] { return !log.messages().empty(); }));
    settle();
    EXPECT_EQ(log.messages(), Strings{"update check " + c.line});
    EXPECT_EQ(effects.seen, c.seen);
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
      {"1.+-5", "1", false},
      {"1.99999999999999999999", "1", false},
      {"1.9223372036854775807", "1.9223372036854775806", true},
      {"1. 2", "1.0", false},
      {"", "0", false},
  };
  for (const auto& [a, b, newer] : cases) EXPECT_EQ(Updater::newer(a, b), newer) << a << " vs " << b;
}

// The setting as a user writes it into the file by hand. QSettings re-reads a
// file only when its size or time changes, so each line differs in length
// from the one before.
TEST(FeedLocation, SettingWhenValidElseTheSite) {
  const std::string site = "https://" + H + "/sideproject/quotalume/version.json";
  const fs::path file = userSettingsFile().toStdString();
  fs::create_directories(file.parent_path());
  const std::pair<std::string, std::string> cases[] = {
      {"", site},
      {"updateFeed=http://h/feed.json?a=1,2,3", "http://h/feed.json?a=1,2,3"},  // read as a list
      {"updateFeed=\"http://h/feed.json?a=1,2,3,4\"", "http://h/feed.json?a=1,2,3,4"},
      {"updateFeed=http://exa mple/%zz", site},
  };
  for (const auto& [line, want] : cases) {
    std::ofstream(file) << "[General]\n" << line << "\n";
    EXPECT_EQ(Updater::feed().toString().toStdString(), want) << line;
  }
}

TEST(FeedLocation, PlainHttpArchiveOnlyUnderALoopbackHttpFeed) {
  const std::tuple<const char*, const char*, bool> cases[] = {
      {"https://h/r.zip", "https://h/f", true},           {"https://h/r.zip", "http://h/f", true},
      {"http://h/r.zip", "https://h/f", false},           {"http://h/r.zip", "http://h/f", false},
      {"http://h/r.zip", "http://127.0.0.1:9/f", true},   {"http://h/r.zip", "http://[::1]/f", true},
      {"http://h/r.zip", "http://localhost/f", true},     {"http://h/r.zip", "https://127.0.0.1/f", false},
      {"file:///tmp/r.zip", "http://127.0.0.1/f", false},
  };
  for (const auto& [archive, feed, allowed] : cases)
    EXPECT_EQ(Updater::archiveAddressAllowed(QUrl(archive), QUrl(feed)), allowed)
        << archive << " under " << feed;
}

}  // namespace
