#include <gtest/gtest.h>

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
  const std::pair<std::optional<std::string>, bool> cases[] = {
      {"https://" + H, true},
      {"https://" + H + ":443/x", true},
      {" \thttps://" + H + "/x\n", true},  // blanks trimmed
      {"https://" + H + ":8443/x", false},
      {"http://" + H + "/sideproject/support", false},
      {"https://www." + H + "/x", false},
      {"https://" + H + ".evil.example/x", false},
      {"https://evil.example/" + H, false},
      {"https://" + H + "@evil.example/x", false},
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
  for (const auto& [a, b, newer] : cases) EXPECT_EQ(Updater::newer(a, b), newer) << a << " vs " << b;
}

// The release entry and the support value are read independently of each other.
TEST(FeedDocument, TwoIndependentDecodings) {
  const std::string two = R"({"version":"2","url":"u","sha256":"s")", support = "https://" + H + "/s";
  const Updater::Feed decoded{Entry{"2", "u", "s", std::nullopt}};
  const std::tuple<std::string, bool, std::optional<Updater::Feed>, std::optional<std::string>> cases[] = {
      {R"({"mac":)" + two + R"(},"linux":)" + two + R"(,"notes":"Fixes"},"future":[1],"support":")" +
           support + "\"}",
       true, Updater::Feed{Entry{"2", "u", "s", "Fixes"}}, support},
      {R"({"linux":)" + two + R"(,"notes":null},"support":null})", true, decoded, std::nullopt},
      {R"({"linux":{"version":"2","url":"u"},"support":"s"})", true, std::nullopt, "s"},
      {R"({"linux":"1.0.3","support":"s"})", true, std::nullopt, "s"},
      {R"({"linux":)" + two + R"(},"support":5})", true, decoded, std::nullopt},
      {R"({"linux":)" + two + R"(,"support":"x"}})", true, decoded, std::nullopt},
      {R"({"future":1e400,"linux":)" + two + "}}", true, decoded, std::nullopt},
      {R"({"linux":)", false, std::nullopt, std::nullopt},
  };
  for (const auto& [body, object, feed, value] : cases) {
    SCOPED_TRACE(body);
    EXPECT_EQ(Updater::isFeedObject(body), object);
    EXPECT_EQ(Updater::decodeFeed(body), feed);
    EXPECT_EQ(Updater::supportValue(body), value);
  }
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
  setFeedSetting("");
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
