#include "updater/install.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QProcess>
#include <regex>

#include "display/phrases.hpp"
#include "links/site_links.hpp"
#include "updater/install_steps.hpp"
#include "updater/update_texts.hpp"
#include "updater_fixtures.hpp"

namespace {

namespace fs = std::filesystem;
using Updater::Entry;

struct InstallFixture : ::testing::Test {
  QTemporaryDir temp;
  fs::path root = temp.path().toStdString();
  fs::path target = root / "apps" / "Quotalume.app";
  fs::path tmp = root / "tmp";
  LocalServer server;
  CapturedEffects effects;
  LogLines log;
  std::vector<QStringList> started;
  bool startSucceeds = true;
  bool writable = true;

  void SetUp() override {
    isKorean = false;
    fs::create_directories(target / "bin");
    fs::create_directories(tmp);
    std::ofstream(target / "Info.json") << infoJSON(ourId, "1.0.2");
    std::ofstream(target / "bin" / "quotalume") << "old";
    auto& hooks = Updater::installHooks();
    hooks.executable = [this] { return target / "bin" / "quotalume"; };
    hooks.tempFolder = [this] { return tmp; };
    hooks.writable = [this](const fs::path& folder) {
      EXPECT_EQ(folder, target.parent_path());
      return writable;
    };
    hooks.startDetached = [this](const QString& program, const QStringList& args) {
      started.push_back(QStringList{program} + args);
      return startSucceeds;
    };
  }
  void TearDown() override { Updater::installHooks() = Updater::defaultInstallHooks(); }

  // Serves the archive, installs it as version 1.0.3 and waits for the end.
  void run(const std::string& archive, int status = 200, std::optional<std::string> sha = std::nullopt) {
    server.routes["/r.zip"] = {status, archive};
    Updater::install(Entry{"1.0.3", server.url("/r.zip"), sha.value_or(Updater::sha256Hex(archive)), "n"},
                     QUrl(QString::fromStdString(server.url("/r.zip"))));
    ASSERT_TRUE(waitUntil([&] { return !effects.failures.empty() || effects.quits > 0; }));
    settle();
  }

  fs::path workFolder() const {
    for (const auto& e : fs::directory_iterator(tmp)) return e.path();
    return {};
  }
};

TEST_F(InstallFixture, Failures) {
  const std::string good = bundleZip("1.0.3"), absolute = (root / "absolute-evil").string();
  const auto withExtra = [](ZipEntry e) { return bundleZip("1.0.3", ourId, {std::move(e)}); };
  const std::string mismatch = "sha256 mismatch " + Updater::sha256Hex(good), unzip = "unzip/version";
  struct Case {
    const char* name;
    std::string archive;
    std::string reason;
    int status = 200;
    std::optional<std::string> sha = std::nullopt;
    bool writable = true;
    bool startSucceeds = true;
  } cases[] = {
      {"wrong digest", good, mismatch, 200, std::string(64, '0')},
      {"digest with a space", good, mismatch, 200, Updater::sha256Hex(good) + " "},
      {"404", good, "download", 404},
      {"dot-dot entry", withExtra(zipFile("../evil", "x")), unzip},
      {"absolute entry", withExtra(zipFile(absolute, "x")), unzip},
      {"link outside", withExtra(zipLink("Quotalume.app/o", "../../..")), unzip},
      {"another identifier", bundleZip("1.0.3", "org.example.Other"), unzip},
      {"another version", bundleZip("1.0.4"), unzip},
      {"bundle under another name", makeZip({zipFile("Other.app/Info.json", infoJSON(ourId, "1.0.3"))}),
       unzip},
      {"read-only install folder", good, "not writable " + target.string(), 200, std::nullopt, false},
      {"script does not start", good, "launch script", 200, std::nullopt, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LogLines lines;
    effects.failures.clear();
    effects.opened.clear();
    writable = c.writable;
    startSucceeds = c.startSucceeds;
    run(c.archive, c.status, c.sha);
    EXPECT_TRUE(lines.has("update install failed: " + c.reason)) << lines.text();
    EXPECT_EQ(effects.failures, std::vector<std::string>{UpdateTexts::installFailed()});
    EXPECT_EQ(effects.opened, std::vector<std::string>{Links::page()});
    EXPECT_EQ(effects.quits, 0);
    EXPECT_EQ(readAll(target / "Info.json"), infoJSON(ourId, "1.0.2"));
    // Nothing lands beside the work folders, however the archive names it.
    for (const auto& e : fs::directory_iterator(tmp))
      EXPECT_TRUE(e.path().filename().string().starts_with("Quotalume-update-"));
    EXPECT_FALSE(fs::exists(absolute));
    EXPECT_EQ(readAll(target / "bin" / "quotalume"), "old");
  }
  EXPECT_EQ(started.size(), 1u);  // only the case where starting it fails
}

TEST_F(InstallFixture, NoBundleStopsBeforeDownloading) {
  Updater::installHooks().executable = [] { return fs::path("/usr/bin/quotalume"); };
  Updater::install(Entry{"1.0.3", server.url("/r.zip"), "ab", std::nullopt},
                   QUrl(QString::fromStdString(server.url("/r.zip"))));
  EXPECT_TRUE(log.has("update install failed: no bundle"));
  EXPECT_EQ(effects.opened, std::vector<std::string>{Links::page()});
  settle();
  EXPECT_TRUE(server.heads.empty());
}

TEST_F(InstallFixture, VerifiedReleaseIsHandedToTheSwapScript) {
  const std::string archive = bundleZip("1.0.3");
  std::string sha = Updater::sha256Hex(archive);
  for (auto& ch : sha) ch = char(std::toupper(static_cast<unsigned char>(ch)));
  run(archive, 200, sha);

  ASSERT_EQ(effects.quits, 1) << log.text();
  EXPECT_TRUE(effects.failures.empty());
  EXPECT_TRUE(log.has("update 1.0.2 -> 1.0.3 swapping"));
  const fs::path work = workFolder();
  EXPECT_TRUE(std::regex_match(
      work.filename().string(),
      std::regex("Quotalume-update-[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}")));
  EXPECT_EQ(readAll(work / "update.zip"), archive);
  EXPECT_EQ(readAll(work / "swap.sh"), Updater::swapScript);
  ASSERT_EQ(started.size(), 1u);
  EXPECT_EQ(started[0], (QStringList{"/bin/sh", QString::fromStdString((work / "swap.sh").string()),
                                     QString::fromStdString(target.string()),
                                     QString::fromStdString((work / "Quotalume.app").string()),
                                     QString::number(::getpid())}));

  // The script itself, for a process that has already gone: the new bundle
  // takes the old one's place and nothing is left aside.
  QProcess sh;
  QStringList args = started[0].mid(1);
  args[3] = QString::number(0x3FFFFFFF);
  sh.start("/bin/sh", args);
  ASSERT_TRUE(sh.waitForFinished(10000));
  EXPECT_EQ(readAll(target / "Info.json"), infoJSON(ourId, "1.0.3"));
  for (const auto& e : fs::directory_iterator(root / "apps")) EXPECT_EQ(e.path(), target);
}

}  // namespace
