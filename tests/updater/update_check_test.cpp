#include "updater/update_check.hpp"

#include <gtest/gtest.h>

#include "bridge/app_version.hpp"
#include "display/phrases.hpp"
#include "links/site_links.hpp"
#include "updater/time_limits.hpp"
#include "updater/update_texts.hpp"
#include "updater_fixtures.hpp"

namespace {

const std::string local(appVersion());

std::string feedWith(const std::string& version, const std::string& url = "https://x/r.zip") {
  return R"({"linux":{"version":")" + version + R"(","url":")" + url + R"(","sha256":"ab","notes":"Fixes"}})";
}

struct CheckFixture : ::testing::Test {
  LocalServer server;
  CapturedEffects effects;
  LogLines log;
  std::vector<std::optional<std::string>> feeds;
  std::size_t shownBeforeFeed = 0;  // alerts already up when a feed was reported

  void SetUp() override {
    isKorean = false;
    Updater::autoInstall = false;
    Updater::onFeed = [this](const std::optional<std::string>& support, Date at) {
      shownBeforeFeed += effects.offers.size() + effects.infos.size();
      EXPECT_GT(at, 1.7e9);
      feeds.push_back(support);
    };
    setFeedSetting(server.url("/feed"));
  }
  void TearDown() override {
    Updater::onFeed = [](const std::optional<std::string>&, Date) {};
    setFeedSetting("");
  }
  bool finished(int lines) {
    return waitUntil([&] { return log.count("update check ") >= lines; });
  }
};

TEST_F(CheckFixture, OneAutomaticCheckAtATime) {
  server.routes["/feed"] = {200, feedWith(local)};
  Updater::check(false);
  Updater::check(false);
  Updater::check(true);  // manual checks ignore the guard
  ASSERT_TRUE(finished(3));
  settle();
  EXPECT_EQ(log.count("update check skipped: another auto check is running"), 1);
  EXPECT_EQ(server.heads.size(), 2u);
  EXPECT_NE(server.heads[0].find("User-Agent: Quotalume/" + local + "\r\n"), std::string::npos);
}

// An automatic check started from the feed handler must go out, not be taken
// for the one still running.
TEST_F(CheckFixture, FlagIsClearedBeforeTheFeedIsReported) {
  server.routes["/feed"] = {200, feedWith(local)};
  bool again = true;
  Updater::onFeed = [&](const std::optional<std::string>&, Date) {
    if (std::exchange(again, false)) Updater::check(false);
  };
  Updater::check(false);
  ASSERT_TRUE(waitUntil([&] { return server.heads.size() == 2; }));
  ASSERT_TRUE(finished(2));
  EXPECT_EQ(log.count("skipped"), 0);
}

// The trickling feed ends at its deadline, and the automatic check after it
// goes out again.
TEST_F(CheckFixture, Outcomes) {
  const std::string support = "https://" + std::string(Build::siteHost) + "/s", page = "\"" + support + "\"";
  const std::string failed = "update check failed code=200 err=-", remote = "update check remote=";
  quint16 closedPort = 0;
  {
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    closedPort = probe.serverPort();
  }
  using Feeds = std::vector<std::optional<std::string>>;
  const Feeds none, plain{std::nullopt};
  struct Case {
    const char* name;
    int status;
    std::string body;
    bool manual;
    std::string line;
    Feeds feeds;
    std::string info = "";  // the one alert, if any
    std::string offer = "";
    std::string feed = "";  // the loopback server's when empty
    int trickleMs = -1;
  } cases[] = {
      {"404", 404, "{}", true, "update check failed code=404 err=-", none, UpdateTexts::checkFailed()},
      {"trickling feed", 200, "{", false, "update check failed code=200 err=Operation canceled", none, "", "",
       "", 50},
      {"404 automatic is silent", 404, "{}", false, "update check failed code=404 err=-", none},
      {"refused connection", 0, "", true, "update check failed code=0 err=Connection refused", none,
       UpdateTexts::checkFailed(), "", "http://127.0.0.1:" + std::to_string(closedPort) + "/feed"},
      {"JSON array is not a feed", 200, "[" + page + "]", true, failed, none, UpdateTexts::checkFailed()},
      {"broken entry still delivers support", 200, R"({"linux":{"version":"9"},"support":)" + page + "}",
       false, failed, Feeds{support}},
      {"feed without this platform", 200, R"({"mac":{"version":"9","url":"u","sha256":"s"}})", false, failed,
       plain},
      {"same version, manual", 200, feedWith(local), true, remote + local + " local=" + local, plain,
       "You\u2019re up to date (" + local + ")."},
      {"older version, automatic is silent", 200, feedWith("0.0.1", ""), false,
       remote + "0.0.1 local=" + local, plain},
      {"newer version without url, manual", 200, feedWith("9.9", ""), true, remote + "9.9 local=" + local,
       plain, UpdateTexts::upToDate(appVersion())},
      {"newer version is offered", 200, feedWith("9.9"), false, remote + "9.9 local=" + local, plain, "",
       "Quotalume 9.9 is available | Fixes\n\nThe app will quit and reopen to finish the update."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LogLines lines;
    feeds.clear();
    effects.infos.clear();
    effects.offers.clear();
    shownBeforeFeed = 0;
    server.routes["/feed"] = {c.status, c.body, c.trickleMs};
    setFeedSetting(c.feed.empty() ? server.url("/feed") : c.feed);
    Updater::timeLimits() = {};
    if (c.trickleMs >= 0) Updater::timeLimits().feedExchange = std::chrono::milliseconds(200);
    Updater::check(c.manual);
    ASSERT_TRUE(waitUntil([&] { return lines.count("update check ") >= 1; }));
    settle();
    EXPECT_TRUE(lines.has(c.line)) << lines.text();
    EXPECT_EQ(lines.count("update check "), 1);
    EXPECT_EQ(feeds, c.feeds);
    EXPECT_EQ(effects.infos, c.info.empty() ? std::vector<std::string>{} : std::vector{c.info});
    EXPECT_EQ(effects.offers, c.offer.empty() ? std::vector<std::string>{} : std::vector{c.offer});
    EXPECT_EQ(shownBeforeFeed, 0u);
  }
  Updater::timeLimits() = {};
}

TEST_F(CheckFixture, OfferUnderAutoInstallSkipsTheAlert) {
  // The test program does not run from a bundle, so the installer stops at once.
  Updater::autoInstall = true;
  Updater::offer({"9.9", server.url("/r.zip"), "ab", std::nullopt});
  EXPECT_TRUE(effects.offers.empty());
  EXPECT_TRUE(log.has("update install failed: no bundle"));
  EXPECT_EQ(effects.opened, std::vector<std::string>{Links::page()});
  settle();
  EXPECT_TRUE(server.heads.empty());

  // An address that does not parse falls back to asking.
  Updater::offer({"9.9", "http://exa mple/", "ab", std::nullopt});
  EXPECT_EQ(effects.offers.size(), 1u);
  Updater::autoInstall = false;
}

}  // namespace
