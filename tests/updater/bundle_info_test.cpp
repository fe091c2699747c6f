// The bundle on disk: what counts as this application's bundle and which
// version the application then reports.
#include <gtest/gtest.h>

#include "bridge/app_version.hpp"
#include "bridge/request_processing.hpp"
#include "build_config.hpp"
#include "updater/bundle_info.hpp"
#include "updater_fixtures.hpp"

namespace {

namespace fs = std::filesystem;

// A bundle folder with the executable's place in it and, if given, this Info.json.
fs::path makeBundle(const QTemporaryDir& root, const std::optional<std::string>& info) {
  const fs::path bundle = root.filePath("Quotalume.app").toStdString();
  fs::create_directories(bundle / "bin");
  std::ofstream(bundle / "bin" / "quotalume") << "";
  if (info) std::ofstream(bundle / "Info.json", std::ios::binary) << *info;
  return bundle;
}

// Reading Info.json, and the two decisions made from it at start: whether this
// is our bundle (the install target) and which version the app reports.
TEST(BundleInfo, InfoDecidesTheBundleAndTheVersion) {
  const std::string id = R"({"identifier": ")" + ourId + "\"";
  struct Case {
    const char* name;
    std::optional<std::string> info;
    const char* read;  // "identifier version", or null when unreadable
    bool isBundle;
    const char* version;
  } cases[] = {
      {"ours", infoJSON(ourId, "1.0.3"), "kr.co.fernhallow.Quotalume 1.0.3", true, "1.0.3"},
      {"foreign identifier", R"({"identifier": "org.example.Other", "version": "9", "x": [1]})",
       "org.example.Other 9", false, "1.0.2"},
      {"identifier differs in case", infoJSON("KR.co.fernhallow.Quotalume", "1.0.3"),
       "KR.co.fernhallow.Quotalume 1.0.3", false, "1.0.2"},
      {"no Info.json", std::nullopt, nullptr, false, "1.0.2"},
      {"empty file", "", nullptr, false, "1.0.2"},
      {"truncated", id + R"(, "version": "1.0)", nullptr, false, "1.0.2"},
      {"not an object", R"(["kr.co.fernhallow.Quotalume", "1.0.3"])", nullptr, false, "1.0.2"},
      {"null identifier", R"({"identifier": null, "version": "1.0.3"})", nullptr, false, "1.0.2"},
      {"too large to read", id + R"(, "version": "1.0.3", "pad": ")" + std::string(1 << 20, 'x') + "\"}",
       nullptr, false, "1.0.2"},
      {"numeric version still a bundle", id + R"(, "version": 3})", nullptr, true, "1.0.2"},
      {"no version still a bundle", id + "}", nullptr, true, "1.0.2"},
      {"empty version", infoJSON(ourId, ""), "kr.co.fernhallow.Quotalume ", true, "1.0.2"},
      {"quote in the version would break the ping's JSON", infoJSON(ourId, R"(1.0\"3)"),
       "kr.co.fernhallow.Quotalume 1.0\"3", true, "1.0.2"},
      {"line break in the version", infoJSON(ourId, R"(1.0\r\n3)"), "kr.co.fernhallow.Quotalume 1.0\r\n3",
       true, "1.0.2"},
      {"number beyond a double elsewhere", id + R"(, "version": "1.0.3", "build": 1e400})",
       "kr.co.fernhallow.Quotalume 1.0.3", true, "1.0.3"},
      {"pre-release text is kept", infoJSON(ourId, "1.1.0-beta+2"), "kr.co.fernhallow.Quotalume 1.1.0-beta+2",
       true, "1.1.0-beta+2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QTemporaryDir root;
    const fs::path bundle = makeBundle(root, c.info);
    const auto got = Updater::readBundleInfo(bundle);
    EXPECT_EQ(got ? std::optional(got->identifier + " " + got->version) : std::nullopt,
              c.read ? std::optional<std::string>(c.read) : std::nullopt);
    const fs::path executable = bundle / "bin" / "quotalume";
    EXPECT_EQ(Updater::runningBundle(executable), c.isBundle ? std::optional(bundle) : std::nullopt);
    EXPECT_EQ(Updater::runningVersion(executable, "1.0.2"), c.version);
  }
}

TEST(BundleInfo, OnlyTheDirectoryTwoLevelsUpCounts) {
  const QTemporaryDir root;
  const fs::path bundle = makeBundle(root, infoJSON(ourId, "1.0.3"));
  // Info.json beside the executable, or the executable one level deeper, is not
  // a bundle; nor is a package-manager install or a path too short to have one.
  const fs::path loose = root.filePath("loose").toStdString();
  fs::create_directories(loose);
  std::ofstream(loose / "Info.json") << infoJSON(ourId, "1.0.3");
  for (const fs::path& path :
       {loose / "quotalume", bundle / "bin" / "extra" / "quotalume", fs::path("/usr/bin/quotalume"),
        fs::path("/quotalume"), fs::path("bin/quotalume"), fs::path("quotalume"), fs::path()}) {
    SCOPED_TRACE(path);
    EXPECT_FALSE(Updater::runningBundle(path));
    EXPECT_EQ(Updater::runningVersion(path, "1.0.2"), "1.0.2");
  }
}

// The version settled at start is what the extension sees in the ping answer.
TEST(BundleInfo, BundleVersionReachesThePing) {
  const QTemporaryDir root;
  setAppVersion(Updater::runningVersion(makeBundle(root, infoJSON(ourId, "1.0.3")) / "bin" / "quotalume",
                                        Build::version));
  const std::string ping = "GET /ping HTTP/1.1\r\nHost: 127.0.0.1:47615\r\n\r\n";
  const Step step =
      processRequest(std::span(reinterpret_cast<const std::uint8_t*>(ping.data()), ping.size()), 0);
  setAppVersion(Build::version);
  EXPECT_EQ(step.response.body, R"({"app":"Quotalume","version":"1.0.3","platform":"linux"})");
}

}  // namespace
