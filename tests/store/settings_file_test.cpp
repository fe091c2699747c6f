#include "store/settings_file.hpp"

#include <gtest/gtest.h>

#include <fstream>

#include "store/fixtures.hpp"

namespace {

TEST(SettingsFile, ReadsTheGeneralSectionAsTheIniWriterLeftIt) {
  struct Case {
    const char* name;
    std::string text;
    std::optional<std::string> want;
  } cases[] = {
      {"plain", "[General]\nupdateFeed=http://127.0.0.1:8/v.json\n", "http://127.0.0.1:8/v.json"},
      {"before any section", "updateFeed=a\n[Other]\nupdateFeed=b\n", "a"},
      {"other sections do not count", "[Other]\nupdateFeed=b\n", std::nullopt},
      {"section name in any case", "[general]\nupdateFeed=c\n", "c"},
      {"quoted with escapes", "[General]\nupdateFeed=\"a,b\\\"c\"\n", "a,b\"c"},
      {"an unquoted comma reads joined", "[General]\nupdateFeed=http://h/?a=1,2\n", "http://h/?a=1,2"},
      {"spaces around", "[General]\n  updateFeed =  x  \r\n", "x"},
      {"a comment is no key", "[General]\n;updateFeed=x\n#updateFeed=y\n", std::nullopt},
      {"the last line wins", "[General]\nupdateFeed=1\nupdateFeed=2\n", "2"},
      {"a longer key is another key", "[General]\nupdateFeedX=1\n", std::nullopt},
      {"@String form", "[General]\nupdateFeed=@String(@x)\n", "@x"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Settings::valueIn(c.text, "updateFeed"), c.want);
  }
}

TEST(SettingsFile, SettingAKeyKeepsEveryOtherLine) {
  struct Case {
    const char* name;
    std::string before;
    std::string after;
  } cases[] = {
      {"empty file", "", "[General]\nk=v\n"},
      {"replaced in place", "[General]\na=1\nk=old\nb=2\n", "[General]\na=1\nk=v\nb=2\n"},
      {"added at the section's end", "[General]\na=1\n\n[Other]\nk=x\n",
       "[General]\na=1\nk=v\n\n[Other]\nk=x\n"},
      {"section made first", "[Other]\nk=x\n", "[General]\nk=v\n\n[Other]\nk=x\n"},
      {"keys before any section", "a=1\n", "a=1\nk=v\n"},
      {"comments stay", "; mine\n[General]\n;k=keep\n", "; mine\n[General]\n;k=keep\nk=v\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string after = Settings::withValue(c.before, "k", "v");
    EXPECT_EQ(after, c.after);
    EXPECT_EQ(Settings::valueIn(after, "k"), "v");
  }
}

TEST(SettingsFile, AFileThatCannotBeReadIsNeitherReadNorOverwritten) {
  TempFolder tmp;
  const auto file = tmp.path / "Quotalume.conf";
  EXPECT_TRUE(Settings::notifyNearLimits(file)) << "missing means on";
  EXPECT_EQ(Settings::saveNotifyNearLimits(file, false), std::nullopt);
  EXPECT_FALSE(Settings::notifyNearLimits(file));

  // Oversized, like a pipe (see the opener's test): not ours to guess at, so nothing is rewritten.
  std::string big = "[General]\nnotifyNearLimits=false\n";
  big.resize(Settings::maxBytes + 1, '#');
  std::ofstream(file, std::ios::trunc) << big;
  EXPECT_TRUE(Settings::notifyNearLimits(file));
  EXPECT_NE(Settings::saveNotifyNearLimits(file, true), std::nullopt);
  EXPECT_EQ(std::filesystem::file_size(file), big.size());

  // Through a link, the target changes and the link stays.
  std::filesystem::remove(file);
  std::ofstream(tmp.path / "dotfiles.conf") << "[General]\nupdateFeed=x\n";
  std::filesystem::create_symlink(tmp.path / "dotfiles.conf", file);
  EXPECT_EQ(Settings::saveNotifyNearLimits(file, false), std::nullopt);
  EXPECT_TRUE(std::filesystem::is_symlink(file));
  EXPECT_EQ(Settings::read(tmp.path / "dotfiles.conf", "notifyNearLimits"), "false");
  EXPECT_EQ(Settings::read(file, "updateFeed"), "x");
}

}  // namespace
