#include <gtest/gtest.h>

#include <QString>

#include "build_config.hpp"
#include "updater/feed_document.hpp"
#include "updater/feed_location.hpp"
#include "updater/support_switch.hpp"
#include "updater/update_rules.hpp"
#include "updater_fixtures.hpp"

namespace {

using Updater::Entry;
namespace fs = std::filesystem;

const std::string H = Build::siteHost;

TEST(SupportSwitch, OnlyHttpsPagesOnTheMakersHost) {
  struct Case {
    const char* name;
    std::optional<std::string> value;
    bool on;
  } cases[] = {
      {"site root", "https://" + H, true},
      {"upper case scheme and host", "HTTPS://" + QString::fromStdString(H).toUpper().toStdString() + "/x",
       true},
      {"explicit 443", "https://" + H + ":443/x", true},
      {"other port", "https://" + H + ":8443/x", false},
      {"blanks trimmed", " \thttps://" + H + "/x\n", true},
      {"plain http", "http://" + H + "/sideproject/support", false},
      {"sub-domain", "https://www." + H + "/x", false},
      {"look-alike host", "https://" + H + ".evil.example/x", false},
      {"host only in the path", "https://evil.example/" + H, false},
      {"host as user name", "https://" + H + "@evil.example/x", false},
      {"user name before host", "https://user@" + H + "/x", false},
      {"no scheme", H + "/sideproject/support", false},
      {"blank", " \n", false},
      {"not a URL", "https://" + H + "/a b", false},
      {"absent", std::nullopt, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Links::supportSwitchOn(c.value), c.on);
  }
}

TEST(Versions, NumericPieceByPiece) {
  struct Case {
    const char* a;
    const char* b;
    bool newer;
  } cases[] = {
      {"1.0.3", "1.0.2", true},
      {"1.0.2", "1.0.2", false},
      {"1.0.10", "1.0.9", true},
      {"1.1", "1.0.5", true},
      {"1.0", "1.0.0", false},
      {"1.0.0.1", "1.0", true},
      {"1.0.3-beta", "1.0.3", false},
      {"1..3", "1.2", true},
      {"+2", "1", true},
      {"1.+-5", "1", false},
      {"1.99999999999999999999", "1", false},
      {"1.9223372036854775807", "1.9223372036854775806", true},
      {"1. 2", "1.0", false},
      {"", "0", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
    EXPECT_EQ(Updater::newer(c.a, c.b), c.newer);
  }
}

TEST(WakeRule, DayOldOrClockBack) {
  constexpr double receipt = 1760421600000;  // epoch ms
  constexpr double t = receipt / 1000;
  struct Case {
    const char* name;
    std::optional<double> last;
    Date now;
    bool due;
  } cases[] = {
      {"never received", std::nullopt, t, true},      {"23 h 59 min later", receipt, t + 86340, false},
      {"exactly a day", receipt, t + 86400, true},    {"three days", receipt, t + 3 * 86400, true},
      {"clock 4 min back", receipt, t - 240, false},  {"clock exactly 300 s back", receipt, t - 300, false},
      {"clock a day back", receipt, t - 86400, true}, {"stored NaN", std::nan(""), t, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Updater::dueOnWake(c.last, c.now), c.due);
  }
}

const std::string macEntry = R"({"version":"9.0","url":"https://x/m.zip","sha256":"00"})";
const std::string linuxEntry = R"({"version":"1.0.3","url":"https://x/l.zip","sha256":"ab","notes":"Fixes"})";
const Entry linuxDecoded{"1.0.3", "https://x/l.zip", "ab", "Fixes"};

TEST(FeedDocument, TwoIndependentDecodings) {
  const std::string support = "\"https://" + H + "/sideproject/support\"";
  struct Case {
    const char* name;
    std::string body;
    bool object;
    std::optional<Updater::Feed> feed;
    std::optional<std::string> support;
  } cases[] = {
      {"all members and a future one",
       R"({"mac":)" + macEntry + R"(,"windows":)" + macEntry + R"(,"linux":)" + linuxEntry +
           R"(,"future":[1],"support":)" + support + "}",
       true, Updater::Feed{linuxDecoded}, "https://" + H + "/sideproject/support"},
      {"published shape without this platform", R"({"mac":)" + macEntry + R"(,"windows":)" + macEntry + "}",
       true, Updater::Feed{}, std::nullopt},
      {"null members are absent",
       R"({"linux":{"version":"2","url":"u","sha256":"s","notes":null},"support":null})", true,
       Updater::Feed{Entry{"2", "u", "s", std::nullopt}}, std::nullopt},
      {"entry without sha256 keeps support", R"({"linux":{"version":"2","url":"u"},"support":"s"})", true,
       std::nullopt, "s"},
      {"entry with a numeric version", R"({"linux":{"version":2,"url":"u","sha256":"s"}})", true,
       std::nullopt, std::nullopt},
      {"entry not an object", R"({"linux":"1.0.3","support":"s"})", true, std::nullopt, "s"},
      {"numeric support keeps the entry", R"({"linux":)" + linuxEntry + R"(,"support":5})", true,
       Updater::Feed{linuxDecoded}, std::nullopt},
      {"support inside the entry is not read",
       R"({"linux":{"version":"2","url":"u","sha256":"s","support":"x"}})", true,
       Updater::Feed{Entry{"2", "u", "s", std::nullopt}}, std::nullopt},
      {"overflowing number in a future member", R"({"future":1e400,"linux":)" + linuxEntry + "}", true,
       Updater::Feed{linuxDecoded}, std::nullopt},
      {"JSON array", "[" + support + "]", false, std::nullopt, std::nullopt},
      {"broken text", R"({"linux":)", false, std::nullopt, std::nullopt},
      {"empty", "", false, std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Updater::isFeedObject(c.body), c.object);
    EXPECT_EQ(Updater::decodeFeed(c.body), c.feed);
    EXPECT_EQ(Updater::supportValue(c.body), c.support);
  }
}

// The setting as a user writes it into the file by hand. Each line differs in
// length from the one before: a rewrite within the same second and of the same
// size may be taken for the file already read.
TEST(FeedLocation, SettingWhenValidElseTheSite) {
  const std::string site = "https://" + H + "/sideproject/quotalume/version.json";
  const fs::path file = userSettingsFile().toStdString();
  fs::create_directories(file.parent_path());
  struct Case {
    const char* name;
    std::string line;
    std::string want;
  } cases[] = {
      {"no setting", "", site},
      {"local server", "updateFeed=http://127.0.0.1:8123/feed.json", "http://127.0.0.1:8123/feed.json"},
      {"comma in the query", "updateFeed=http://h/feed.json?a=1,2,3", "http://h/feed.json?a=1,2,3"},
      // QSettings re-reads a file only when its size or time changes, and
      // rows written within one tick must therefore differ in length.
      {"quoted", "updateFeed=\"http://h/feed.json?a=1,2,3,4\"", "http://h/feed.json?a=1,2,3,4"},
      {"invalid falls back", "updateFeed=http://exa mple/%zz", site},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::ofstream(file) << "[General]\n" << c.line << "\n";
    EXPECT_EQ(Updater::feed().toString().toStdString(), c.want);
  }
  setFeedSetting("");
}

TEST(FeedLocation, PlainHttpArchiveOnlyUnderALoopbackHttpFeed) {
  struct Case {
    const char* archive;
    const char* feed;
    bool allowed;
  } cases[] = {
      {"https://h/r.zip", "https://h/f", true},           {"https://h/r.zip", "http://h/f", true},
      {"http://h/r.zip", "https://h/f", false},           {"http://h/r.zip", "http://h/f", false},
      {"http://h/r.zip", "http://127.0.0.1:9/f", true},   {"http://h/r.zip", "http://[::1]/f", true},
      {"http://h/r.zip", "http://localhost/f", true},     {"http://h/r.zip", "https://127.0.0.1/f", false},
      {"file:///tmp/r.zip", "http://127.0.0.1/f", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.archive) + " under " + c.feed);
    EXPECT_EQ(Updater::archiveAddressAllowed(QUrl(c.archive), QUrl(c.feed)), c.allowed);
  }
}

}  // namespace
