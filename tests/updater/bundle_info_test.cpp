// The bundle on disk: what counts as this application's bundle and which
// version the application then reports.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "bridge/app_version.hpp"
#include "bridge/request_processing.hpp"
#include "build_config.hpp"
#include "store/fixtures.hpp"
#include "updater/bundle_info.hpp"

namespace {

namespace fs = std::filesystem;
using Updater::BundleInfo;

constexpr const char* ours = R"({"identifier": "kr.co.fernhallow.Quotalume", "version": "1.0.3"})";

// A bundle folder with the executable's place in it and, unless null, this Info.json.
fs::path makeBundle(const TempFolder& root, const char* info, const std::string& name = "Quotalume.app") {
  const fs::path bundle = root / name;
  fs::create_directories(bundle / "bin");
  writeAll(bundle / "bin" / "quotalume", "");
  if (info != nullptr) writeAll(bundle / "Info.json", info);
  return bundle;
}

TEST(BundleInfo, ReadsBothMembersAsStringsOrNothing) {
  struct Case {
    const char* name;
    const char* info;  // null: no Info.json at all
    std::optional<BundleInfo> expected;
  };
  const Case cases[] = {
      {"ours", ours, BundleInfo{"kr.co.fernhallow.Quotalume", "1.0.3"}},
      {"another application", R"({"identifier": "org.example.Other", "version": "9"})",
       BundleInfo{"org.example.Other", "9"}},
      {"extra members ignored", R"({"version": "2.0", "x": [1], "identifier": "a"})", BundleInfo{"a", "2.0"}},
      {"missing file", nullptr, std::nullopt},
      {"empty file", "", std::nullopt},
      {"not JSON", "identifier=kr.co.fernhallow.Quotalume", std::nullopt},
      {"truncated", R"({"identifier": "kr.co.fernhallow.Quotalume", "version": "1.0)", std::nullopt},
      {"array", R"(["kr.co.fernhallow.Quotalume", "1.0.3"])", std::nullopt},
      {"string", R"("kr.co.fernhallow.Quotalume")", std::nullopt},
      {"numeric version", R"({"identifier": "kr.co.fernhallow.Quotalume", "version": 1.3})", std::nullopt},
      {"null identifier", R"({"identifier": null, "version": "1.0.3"})", std::nullopt},
      {"no version", R"({"identifier": "kr.co.fernhallow.Quotalume"})", std::nullopt},
      {"no identifier", R"({"version": "1.0.3"})", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TempFolder root;
    const std::optional<BundleInfo> got = Updater::readBundleInfo(makeBundle(root, c.info));
    ASSERT_EQ(got.has_value(), c.expected.has_value());
    if (got) {
      EXPECT_EQ(got->identifier, c.expected->identifier);
      EXPECT_EQ(got->version, c.expected->version);
    }
  }
}

TEST(BundleInfo, UnreadableOrHugeInfoIsNoInfo) {
  const TempFolder root;
  const fs::path folderAsInfo = root / "folder.app";
  fs::create_directories(folderAsInfo / "Info.json");
  EXPECT_FALSE(Updater::readBundleInfo(folderAsInfo));

  const fs::path huge = makeBundle(root, nullptr, "huge.app");
  writeAll(huge / "Info.json",
           R"({"identifier": "kr.co.fernhallow.Quotalume", "version": "1.0.3", "pad": ")" +
               std::string(1 << 20, 'x') + "\"}");
  EXPECT_FALSE(Updater::readBundleInfo(huge));
}

// The running bundle decides both the install target and the reported version,
// so the two are checked on the same layouts.
TEST(BundleInfo, RunningBundleAndVersionFollowTheIdentifier) {
  struct Case {
    const char* name;
    const char* info;
    bool isBundle;
    const char* version;
  };
  const Case cases[] = {
      {"ours", ours, true, "1.0.3"},
      {"foreign identifier", R"({"identifier": "kr.co.fernhallow.Other", "version": "1.0.3"})", false,
       "1.0.2"},
      {"identifier differs in case", R"({"identifier": "KR.co.fernhallow.Quotalume", "version": "1.0.3"})",
       false, "1.0.2"},
      {"numeric version still a bundle", R"({"identifier": "kr.co.fernhallow.Quotalume", "version": 3})",
       true, "1.0.2"},
      {"no version still a bundle", R"({"identifier": "kr.co.fernhallow.Quotalume"})", true, "1.0.2"},
      {"empty version", R"({"identifier": "kr.co.fernhallow.Quotalume", "version": ""})", true, "1.0.2"},
      {"quote in the version would break the ping's JSON",
       R"({"identifier": "kr.co.fernhallow.Quotalume", "version": "1.0\"3"})", true, "1.0.2"},
      {"line break in the version", R"({"identifier": "kr.co.fernhallow.Quotalume", "version": "1.0\r\n3"})",
       true, "1.0.2"},
      {"pre-release text is kept",
       R"({"identifier": "kr.co.fernhallow.Quotalume", "version": "1.1.0-beta+2"})", true, "1.1.0-beta+2"},
      {"no Info.json", nullptr, false, "1.0.2"},
      {"not an object", R"(["kr.co.fernhallow.Quotalume"])", false, "1.0.2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TempFolder root;
    const fs::path bundle = makeBundle(root, c.info);
    const fs::path executable = bundle / "bin" / "quotalume";
    const std::optional<fs::path> found = Updater::runningBundle(executable);
    EXPECT_EQ(found, c.isBundle ? std::optional<fs::path>(bundle) : std::nullopt);
    EXPECT_EQ(Updater::runningVersion(executable, "1.0.2"), c.version);
  }
}

TEST(BundleInfo, OnlyTheDirectoryTwoLevelsUpCounts) {
  const TempFolder root;
  const fs::path bundle = makeBundle(root, ours);
  // Info.json beside the executable, or the executable one level deeper, is not a bundle.
  const fs::path loose = root / "loose";
  fs::create_directories(loose);
  writeAll(loose / "Info.json", ours);
  EXPECT_FALSE(Updater::runningBundle(loose / "quotalume"));
  EXPECT_FALSE(Updater::runningBundle(bundle / "bin" / "extra" / "quotalume"));
  EXPECT_EQ(Updater::runningBundle(bundle / "bin" / "quotalume"), bundle);
  // A package-manager install and paths too short to have a bundle.
  for (const char* path : {"/usr/bin/quotalume", "/quotalume", "bin/quotalume", "quotalume", ""}) {
    SCOPED_TRACE(path);
    EXPECT_FALSE(Updater::runningBundle(path));
    EXPECT_EQ(Updater::runningVersion(path, "1.0.2"), "1.0.2");
  }
}

// The version settled at start is what the extension sees in the ping answer.
TEST(BundleInfo, BundleVersionReachesThePing) {
  const TempFolder root;
  const fs::path executable = makeBundle(root, ours) / "bin" / "quotalume";
  setAppVersion(Updater::runningVersion(executable, Build::version));
  const std::string ping = "GET /ping HTTP/1.1\r\nHost: 127.0.0.1:47615\r\n\r\n";
  const Step step =
      processRequest(std::span(reinterpret_cast<const std::uint8_t*>(ping.data()), ping.size()), 0);
  setAppVersion(Build::version);
  EXPECT_EQ(step.response.body, R"({"app":"Quotalume","version":"1.0.3","platform":"linux"})");
}

}  // namespace
