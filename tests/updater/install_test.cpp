#include "updater/install.hpp"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QProcess>
#include <regex>

#include "display/phrases.hpp"
#include "links/site_links.hpp"
#include "updater/install_steps.hpp"
#include "updater/time_limits.hpp"
#include "updater/update_texts.hpp"
#include "updater_fixtures.hpp"

namespace {

namespace fs = std::filesystem;
using Updater::Entry;
using namespace std::chrono_literals;

struct InstallFixture : ::testing::Test {
  QTemporaryDir temp;
  fs::path root = temp.path().toStdString();
  fs::path target = root / "apps" / "Quotalume.app";
  LocalServer server;
  CapturedEffects effects;
  LogLines log;
  std::vector<QStringList> started;
  bool startSucceeds = true;
  bool writable = true;

  void SetUp() override {
    isKorean = false;
    fs::create_directories(target / "bin");
    std::ofstream(target / "Info.json") << infoJSON(ourId, "1.0.2");
    std::ofstream(target / "bin" / "quotalume") << "old";
    setFeedSetting(server.url("/feed.json"));
    auto& limits = Updater::timeLimits();
    limits.downloadStall = 200ms;
    limits.downloadTotal = 1500ms;
    limits.versionRun = 3000ms;  // a shell script, on a busy machine
    auto& hooks = Updater::installHooks();
    hooks.executable = [this] { return target / "bin" / "quotalume"; };
    hooks.writable = [this](const fs::path& folder) {
      EXPECT_EQ(folder, target.parent_path());
      return writable;
    };
    hooks.startDetached = [this](const QString& program, const QStringList& args) {
      started.push_back(QStringList{program} + args);
      return startSucceeds;
    };
  }
  void TearDown() override {
    Updater::installHooks() = Updater::defaultInstallHooks();
    Updater::timeLimits() = {};
    setFeedSetting("");
  }

  // Serves the archive, installs it as version 1.0.3 and waits for the end.
  void run(const LocalServer::Answer& answer, std::optional<std::string> sha = std::nullopt) {
    server.routes["/r.zip"] = answer;
    Updater::install(Entry{"1.0.3", server.url("/r.zip"), sha.value_or(Updater::sha256Hex(answer.body)), "n"},
                     QUrl(QString::fromStdString(server.url("/r.zip"))));
    ASSERT_TRUE(waitUntil([&] { return !effects.failures.empty() || effects.quits > 0; }));
    settle();
  }

  std::vector<fs::path> besideTarget() const {
    std::vector<fs::path> found;
    for (const auto& e : fs::directory_iterator(target.parent_path())) found.push_back(e.path());
    return found;
  }
};

TEST_F(InstallFixture, Failures) {
  const std::string good = bundleZip("1.0.3"), absolute = (root / "absolute-evil").string();
  const auto withExtras = [](std::vector<ZipEntry> e) { return bundleZip("1.0.3", ourId, std::move(e)); };
  const auto withExtra = [&](ZipEntry e) { return withExtras({std::move(e)}); };
  const std::string mismatch = "sha256 mismatch " + Updater::sha256Hex(good), unzip = "unzip/version";
  const std::string info = infoJSON(ourId, "1.0.3"), answer = versionScript("1.0.3");
  const ZipEntry dir = zipDir("Quotalume.app/"), infoFile = zipFile("Quotalume.app/Info.json", info);
  const auto binary = [](std::string body, unsigned mode = 0755) {
    return zipFile("Quotalume.app/bin/quotalume", std::move(body), mode);
  };
  struct Case {
    const char* name;
    std::string archive;
    std::string reason;
    int status = 200;
    std::optional<std::string> sha = std::nullopt;
    bool writable = true;
    bool startSucceeds = true;
    int trickleMs = -1;
    std::string feed = "";  // the loopback server's when empty
  } cases[] = {
      {"wrong digest", good, mismatch, 200, std::string(64, '0')},
      {"digest with a space", good, mismatch, 200, Updater::sha256Hex(good) + " "},
      {"404", good, "download", 404},
      {"stalled download", good, "download", 200, std::nullopt, true, true, 0},
      {"download that trickles on", good, "download", 200, std::nullopt, true, true, 50},
      {"http archive under an https feed", good, "download", 200, std::nullopt, true, true, -1,
       "https://example.invalid/version.json"},
      {"http archive under a remote http feed", good, "download", 200, std::nullopt, true, true, -1,
       "http://example.invalid/version.json"},
      {"dot-dot entry", withExtra(zipFile("../evil", "x")), unzip},
      {"absolute entry", withExtra(zipFile(absolute, "x")), unzip},
      {"link outside", withExtra(zipLink("Quotalume.app/o", "../../..")), unzip},
      // Each link on its own stays inside; followed one through the other they leave the folder.
      {"link chain that escapes",
       withExtras({zipDir("Quotalume.app/a/"), zipDir("Quotalume.app/b/"),
                   zipLink("Quotalume.app/a/l", "../b"), zipLink("Quotalume.app/a/m", "l/../../..")}),
       unzip},
      {"damaged archive", "PK\x03\x04 not really a zip", unzip},
      {"bomb", withExtra(zipFile("Quotalume.app/zeros", std::string(std::size_t(16) << 20, '\0'))), unzip},
      {"another identifier", bundleZip("1.0.3", "org.example.Other"), unzip},
      {"another version", bundleZip("1.0.4"), unzip},
      {"bundle under another name", makeZip({zipFile("Other.app/Info.json", info)}), unzip},
      {"bundle is a link to its folder",
       makeZip({zipFile("Info.json", info), zipDir("bin/"), zipFile("bin/quotalume", answer, 0755),
                zipLink("Quotalume.app", ".")}),
       unzip},
      {"bundle is a link to a folder",
       makeZip({zipDir("real/"), zipFile("real/Info.json", info), zipDir("real/bin/"),
                zipFile("real/bin/quotalume", answer, 0755), zipLink("Quotalume.app", "real")}),
       unzip},
      {"Info.json is a link",
       makeZip({dir, zipFile("Quotalume.app/meta.json", info),
                zipLink("Quotalume.app/Info.json", "meta.json"), binary(answer)}),
       unzip},
      {"bin is a link",
       makeZip({dir, infoFile, zipDir("Quotalume.app/b/"), zipFile("Quotalume.app/b/quotalume", answer, 0755),
                zipLink("Quotalume.app/bin", "b")}),
       unzip},
      {"no binary", makeZip({dir, infoFile}), unzip},
      {"binary not executable", makeZip({dir, infoFile, binary(answer, 0644)}), unzip},
      {"binary answers another version", makeZip({dir, infoFile, binary(versionScript("1.0.4"))}), unzip},
      {"binary answers nothing in time", makeZip({dir, infoFile, binary("#!/bin/sh\nexec sleep 30\n")}),
       unzip},
      {"binary fails", makeZip({dir, infoFile, binary(answer + "exit 3\n")}), unzip},
      {"read-only install folder", good, "not writable " + target.string(), 200, std::nullopt, false},
      {"script does not start", good, "launch script", 200, std::nullopt, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LogLines lines;
    effects.failures.clear();
    effects.opened.clear();
    effects.quits = 0;
    writable = c.writable;
    startSucceeds = c.startSucceeds;
    setFeedSetting(c.feed.empty() ? server.url("/feed.json") : c.feed);
    run({c.status, c.archive, c.trickleMs}, c.sha);
    EXPECT_TRUE(lines.has("update install failed: " + c.reason)) << lines.text();
    EXPECT_EQ(effects.failures, std::vector<std::string>{UpdateTexts::installFailed()});
    EXPECT_EQ(effects.opened, std::vector<std::string>{Links::page()});
    EXPECT_EQ(effects.quits, 0);
    EXPECT_EQ(readAll(target / "Info.json"), infoJSON(ourId, "1.0.2"));
    // The work folder goes, and nothing lands beside it, however the archive names it.
    EXPECT_EQ(besideTarget(), std::vector<fs::path>{target});
    EXPECT_FALSE(fs::exists(root / "evil"));
    EXPECT_FALSE(fs::exists(absolute));
    EXPECT_EQ(readAll(target / "bin" / "quotalume"), "old");
  }
  EXPECT_EQ(started.size(), 1u);  // only the case where starting it fails
}

TEST_F(InstallFixture, VerifiedReleaseIsHandedToTheSwapScript) {
  const std::string archive = bundleZip("1.0.3");
  std::string sha = Updater::sha256Hex(archive);
  for (auto& ch : sha) ch = char(std::toupper(static_cast<unsigned char>(ch)));
  run({200, archive}, sha);

  ASSERT_EQ(effects.quits, 1) << log.text();
  EXPECT_TRUE(effects.failures.empty());
  EXPECT_TRUE(log.has("update 1.0.2 -> 1.0.3 swapping"));
  // Unpacked beside the installed bundle, so that the swap only renames.
  const auto beside = besideTarget();
  ASSERT_EQ(beside.size(), 2u);
  const fs::path work = beside[0] == target ? beside[1] : beside[0];
  EXPECT_TRUE(std::regex_match(
      work.filename().string(),
      std::regex("\\.Quotalume-update-[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}")));
  EXPECT_EQ(readAll(work / "update.zip"), archive);
  EXPECT_EQ(readAll(work / "swap.sh"), Updater::swapScript);
  ASSERT_EQ(started.size(), 1u);
  EXPECT_EQ(started[0], (QStringList{"/bin/sh", QString::fromStdString((work / "swap.sh").string()),
                                     QString::fromStdString(target.string()),
                                     QString::fromStdString((work / "Quotalume.app").string()),
                                     QString::number(::getpid())}));

  // The script itself, for an app that has exited but that its launcher never
  // reaps, replacing an old bundle with a read-only folder in it: the new
  // bundle takes the old one's place and nothing else is left.
  fs::create_directories(target / "share" / "ro");
  std::ofstream(target / "share" / "ro" / "f") << "x";
  fs::permissions(target / "share" / "ro", fs::perms(0555));
  const pid_t zombie = ::fork();
  if (zombie == 0) ::_exit(0);
  QProcess sh;
  QStringList args = started[0];
  args[4] = QString::number(zombie);
  // Root ignores folder modes; without its capabilities it meets them like a user.
  if (::geteuid() == 0) args = QStringList{"--bounding-set=-all", "--inh-caps=-all"} + args;
  sh.start(::geteuid() == 0 ? "setpriv" : args.takeFirst(), args);
  EXPECT_TRUE(sh.waitForFinished(10000));
  ::waitpid(zombie, nullptr, 0);
  EXPECT_EQ(readAll(target / "Info.json"), infoJSON(ourId, "1.0.3"));
  EXPECT_EQ(besideTarget(), std::vector<fs::path>{target});
}

}  // namespace
