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
fs::path makeBundle(const TempFolder& root, const char* info) {
  const fs::path bundle = root / "Quotalume.app";
  fs::create_directories(bundle / "bin");
  writeAll(bundle / "bin" / "quotalume", "");
  if (info != nullptr) writeAll(bundle / "Info.json", info);
  return bundle;
}

// Reading Info.json, and the two decisions made from it at start: whether this
// is our bundle (the install target) and which version the app reports.
TEST(BundleInfo, InfoDecidesTheBundleAndTheVersion) {
  struct Case {
    const char* name;
    const char* info;  // null: no Info.json at all
    std::optional<BundleInfo> read;
    bool isBundle;
    const char* version;
  } cases[] = {
      {"ours", ours, BundleInfo{"kr.co.fernhallow.Quotalume", "1.0.3"}, true, "1.0.3"},
      {"foreign identifier", R"({"identifier": "org.example.Other", "version": "9", "x": [1]})",
       BundleInfo{"org.example.Other", "9"}, false, "1.0.2"},
      {"identifier differs in case", R"({"identifier": "KR.co.fernhallow.Quotalume", "version": "1.0.3"})",
       BundleInfo{"KR.co.fernhallow.Quotalume", "1.0.3"}, false, "1.0.2"},
      {"no Info.json", nullptr, std::nullopt, false, "1.0.2"},
      {"empty file", "", std::nullopt, false, "1.0.2"},
      {"truncated", R"({"identifier": "kr.co.fernhallow.Quotalume", "version": "1.0)", std::nullopt, false,
       "1.0.2"},
      {"not an object", R"(["kr.co.fernhallow.Quotalume", "1.0.3"])", std::nullopt, false, "1.0.2"},
      {"null identifier", R"({"identifier": null, "version": "1.0.3"})", std::nullopt, false, "1.0.2"},
      {"numeric version still a bundle", R"({"identifier": "kr.co.fernhallow.Quotalume", "version": 3})",
       std::nullopt, true, "1.0.2"},
      {"no version still a bundle", R"({"identifier": "kr.co.fernhallow.Quotalume"})", std::nullopt, true,
       "1.0.2"},
      {"empty version", R"({"identifier": "kr.co.fernhallow.Quotalume", "version": ""})",
       BundleInfo{"kr.co.fernhallow.Quotalume", ""}, true, "1.0.2"},
      {"quote in the version would break the ping's JSON",
       R"({"identifier": "kr.co.fernhallow.Quotalume", "version": "1.0\"3"})",
       BundleInfo{"kr.co.fernhallow.Quotalume", "1.0\"3"}, true, "1.0.2"},
      {"line break in the version", R"({"identifier": "kr.co.fernhallow.Quotalume", "version": "1.0\r\n3"})",
       BundleInfo{"kr.co.fernhallow.Quotalume", "1.0\r\n3"}, true, "1.0.2"},
      {"number beyond a double elsewhere", R"({"identifier": "kr.co.fernhallow.Quotalume", "version": "1.0.3",
           "build": 1e400})",
       BundleInfo{"kr.co.fernhallow.Quotalume", "1.0.3"}, true, "1.0.3"},
      {"pre-release text is kept",
       R"({"identifier": "kr.co.fernhallow.Quotalume", "version": "1.1.0-beta+2"})",
       BundleInfo{"kr.co.fernhallow.Quotalume", "1.1.0-beta+2"}, true, "1.1.0-beta+2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TempFolder root;
    const fs::path bundle = makeBundle(root, c.info);
    const std::optional<BundleInfo> got = Updater::readBundleInfo(bundle);
    ASSERT_EQ(got.has_value(), c.read.has_value());
    if (got) {
      EXPECT_EQ(std::pair(got->identifier, got->version), std::pair(c.read->identifier, c.read->version));
    }
    const fs::path executable = bundle / "bin" / "quotalume";
    EXPECT_EQ(Updater::runningBundle(executable),
              c.isBundle ? std::optional<fs::path>(bundle) : std::nullopt);
    EXPECT_EQ(Updater::runningVersion(executable, "1.0.2"), c.version);
  }
}

TEST(BundleInfo, HugeInfoIsNoInfo) {
  const TempFolder root;
  const fs::path bundle = makeBundle(root, nullptr);
  writeAll(bundle / "Info.json",
           R"({"identifier": "kr.co.fernhallow.Quotalume", "version": "1.0.3", "pad": ")" +
               std::string(1 << 20, 'x') + "\"}");
  EXPECT_FALSE(Updater::readBundleInfo(bundle));
}

TEST(BundleInfo, OnlyTheDirectoryTwoLevelsUpCounts) {
  const TempFolder root;
  const fs::path bundle = makeBundle(root, ours);
  // Info.json beside the executable, or the executable one level deeper, is not a bundle.
  fs::create_directories(root / "loose");
  writeAll(root / "loose" / "Info.json", ours);
  EXPECT_FALSE(Updater::runningBundle(root / "loose" / "quotalume"));
  EXPECT_FALSE(Updater::runningBundle(bundle / "bin" / "extra" / "quotalume"));
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
  setAppVersion(Updater::runningVersion(makeBundle(root, ours) / "bin" / "quotalume", Build::version));
  const std::string ping = "GET /ping HTTP/1.1\r\nHost: 127.0.0.1:47615\r\n\r\n";
  const Step step =
      processRequest(std::span(reinterpret_cast<const std::uint8_t*>(ping.data()), ping.size()), 0);
  setAppVersion(Build::version);
  EXPECT_EQ(step.response.body, R"({"app":"Quotalume","version":"1.0.3","platform":"linux"})");
}

}  // namespace
