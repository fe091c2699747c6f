// The piece that ties the app to the Linux desktop's session: the autostart
// entry.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "desktop/autostart_entry.hpp"
#include "desktop/bundle_desktop_entry.hpp"
#include "desktop/desktop_entry.hpp"
#include "store/settings_file.hpp"
#include "support/ends_in_time.hpp"
#include "updater/bundle_info.hpp"
#include "views/appearance.hpp"

namespace {

std::filesystem::path tempPath(const QTemporaryDir& dir) {
  return dir.path().toStdString();
}

std::string readText(const std::filesystem::path& file) {
  std::ifstream in(file);
  return {std::istreambuf_iterator<char>(in), {}};
}

TEST(DesktopPlaces, EntryFollowsAnAbsoluteXdgFolder) {
  const auto entry = [](std::map<std::string, std::string> env) {
    return autostartEntryPath(Store::fixedEnvironment(env), "/home/u");
  };
  EXPECT_EQ(entry({{"XDG_CONFIG_HOME", "/cfg"}}), "/cfg/autostart/kr.co.fernhallow.Quotalume.desktop");
  EXPECT_EQ(entry({{"XDG_CONFIG_HOME", "relative"}}),
            "/home/u/.config/autostart/kr.co.fernhallow.Quotalume.desktop");
}

TEST(AutostartEntry, WhichEntriesADesktopWouldStart) {
  const std::string head = "[Desktop Entry]\nType=Application\nName=Q\n";
  struct Case {
    const char* name;
    std::string text;
    bool enabled;
  } cases[] = {
      {"plain entry", head + "Exec=/bin/q\n", true},
      {"quoted, escaped twice", head + R"(Exec="/bin/q" "a\\\\b")" + "\n", true},
      {"hidden", head + "Exec=/bin/q\nHidden=true\n", false},
      {"hidden false", head + "Exec=/bin/q\nHidden=false\n", true},
      {"switched off for GNOME", head + "Exec=/bin/q\nX-GNOME-Autostart-enabled=false\n", false},
      {"spaces around the equals sign", head + "Exec = /bin/q\nHidden = true\n", false},
      {"hidden in another group only", head + "Exec=/bin/q\n[Desktop Action x]\nHidden=true\n", true},
      {"a program that is not there", head + "Exec=/bin/gone\n", false},
      {"no Exec", head, false},
      {"no Name", "[Desktop Entry]\nType=Application\nExec=/bin/q\n", false},
      {"not an application", "[Desktop Entry]\nType=Link\nName=Q\nExec=/bin/q\n", false},
      {"single-escaped backslash", head + R"(Exec="/bin/q\"x")" + "\n", false},
      {"open quote", head + "Exec=\"/bin/q\n", false},
      {"unknown field code", head + "Exec=/bin/q %b\n", false},
      {"a second line that is no key", head + "Exec=/bin/q\nrm -rf ~\n", false},
      {"Exec given twice", head + "Exec=/bin/q\nExec=/bin/q\n", false},
      {"key before the group", "Exec=/bin/q\n" + head, false},
      {"another group first", "[Other]\n" + head + "Exec=/bin/q\n", false},
      {"a control character", head + "Exec=/bin/q\x01\n", false},
      {"not UTF-8", head + "Exec=/bin/q\nComment=\xff\n", false},
      {"empty file", "", false},
  };
  const auto runs = [](const std::string& program) { return program == "/bin/q"; };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(autostartEntryEnabled(c.text, runs), c.enabled);
  }
}

// Each path is written so that the desktop runs exactly it; a path that
// no entry can carry is refused, through the autostart switch's failure alert, and
// nothing is written. desktop-file-validate and GLib's own loader and
// launcher confirm every written entry when they are installed.
TEST(AutostartEntry, EveryPathRunsAsItselfOrIsRefused) {
  QTemporaryDir dir;
  const auto root = tempPath(dir);
  const std::string names[] = {
      "my apps",        "quo\"ta'lume",
      "$(touch PWNED)", "`touch PWNED`",
      "back\\slash",    "back\\\"quote",
      "100%",           "a;b=c#d",
      "\\\\server",     "new\nExec=/bin/sh -c 'touch PWNED'",
      "tab\there",      "bad\xff\xfe",
  };
  QStringList entries;
  std::string programs;
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const auto program = root / name / "quotalume";
    const bool writable = name.find_first_of("\n\t\xff") == std::string::npos;
    std::filesystem::create_directories(program.parent_path());
    std::ofstream(program) << "#!/bin/sh\nprintf '%s\\n' \"$0\" > \"$AUTOSTART_RECORD\"\n";
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    const auto entry = root / std::to_string(entries.size()) / "kr.co.fernhallow.Quotalume.desktop";
    const AutostartEntry item(entry, program.string());
    EXPECT_EQ(item.enable().has_value(), !writable);
    EXPECT_EQ(item.enabled(), writable);
    if (!writable) {
      EXPECT_FALSE(std::filesystem::exists(entry));
      EXPECT_FALSE(item.disable()) << "removing an entry that is not there is not a failure";
      continue;
    }
    const std::string text = readText(entry);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 8) << text;
    entries << QString::fromStdString(entry.string());
    programs += program.string() + "\n";
  }
  if (!QFileInfo("/usr/bin/desktop-file-validate").isExecutable() ||
      QProcess::execute("/usr/bin/python3", {"-c", "import gi"}) != 0)
    FAIL() << "desktop-file-validate or python3-gi missing (scripts/install-deps test installs them)";
  QProcess run;
  run.setWorkingDirectory(QString::fromStdString(root.string()));
  run.start("/usr/bin/python3",
            QStringList{QUOTALUME_SOURCE_DIR "/tests/desktop/autostart_check.py"} + entries);
  ASSERT_TRUE(run.waitForFinished(60000));
  EXPECT_EQ(run.exitCode(), 0) << run.readAllStandardError().toStdString();
  EXPECT_EQ(run.readAllStandardOutput().toStdString(), programs);
  EXPECT_FALSE(std::filesystem::exists(root / "PWNED"));
}

// A bundle's entry and icon follow the bundle: written on the first run,
// rewritten after a move or an update, left alone when nothing changed.
TEST(BundleDesktopFiles, FollowTheBundle) {
  QTemporaryDir dir;
  const auto files = bundleDesktopFiles(tempPath(dir) / "data");
  struct stat entry {};
  const std::string shipped = readText(QUOTALUME_SOURCE_DIR "/data/kr.co.fernhallow.Quotalume.desktop");
  for (const std::string place : {"first", "moved"}) {
    const auto bundle = tempPath(dir) / place / "Quotalume.app", share = bundle / "share";
    for (const char* sub : {"applications", "icons/hicolor/scalable/apps"})
      std::filesystem::create_directories(share / sub);
    std::ofstream(share / "applications/kr.co.fernhallow.Quotalume.desktop") << shipped;
    std::ofstream(share / "icons/hicolor/scalable/apps/kr.co.fernhallow.Quotalume.svg") << place;
    ASSERT_FALSE(refreshBundleDesktopFiles(bundle, files));
    const auto keys = desktopEntryKeys(readText(files.entry)).value();
    EXPECT_EQ(execArguments(keys.at("Exec")), std::vector<std::string>{(bundle / "bin/quotalume").string()});
    EXPECT_EQ(keys.at("Comment[ko]"), desktopEntryKeys(shipped)->at("Comment[ko]"));
    EXPECT_EQ(readText(files.icon), place);
    const auto before = (::stat(files.entry.c_str(), &entry), entry.st_ino);
    ASSERT_FALSE(refreshBundleDesktopFiles(bundle, files));
    EXPECT_EQ((::stat(files.entry.c_str(), &entry), entry.st_ino), before) << "rewritten unchanged";
  }
  const std::string action = "[Desktop Entry]\nName=Q\nExec=q\n[Desktop Action a]\nExec=q --a\n";
  EXPECT_EQ(bundleEntryText(action, "/b/q"),
            "[Desktop Entry]\nName=Q\nExec=\"/b/q\"\n[Desktop Action a]\nExec=q --a\n");
  EXPECT_FALSE(bundleEntryText("[Desktop Entry]\nName=Q\n", "/b/q")) << "no Exec to point at the bundle";
  EXPECT_FALSE(bundleEntryText("[Desktop Entry]\nExec = q\n", "/b/q")) << "an Exec left unreplaced";
  EXPECT_FALSE(bundleEntryText(action, "/b\nExec=/bin/sh"));
}

// A pipe at any file the app reads is passed over at once, as no file:
// opening one for reading would wait for a writer for good.
TEST(DesktopFiles, APipeAtAnyFileTheAppReadsIsNoFile) {
  QTemporaryDir dir;
  const auto root = tempPath(dir);
  for (const char* name :
       {"autostart/q.desktop", "gtk-3.0/settings.ini", "Quotalume/Quotalume.conf", "app/Info.json"}) {
    std::filesystem::create_directories((root / name).parent_path());
    ::mkfifo((root / name).c_str(), 0600);
  }
  EXPECT_EQ(exitStatusInTime([&] {
              const bool none = !AutostartEntry(root / "autostart/q.desktop", "/bin/true").enabled() &&
                                !gtkAppearance("", root) &&
                                Settings::notifyNearLimits(root / "Quotalume/Quotalume.conf") &&
                                !Updater::readBundleInfo(root / "app");
              return none ? 0 : 1;
            }),
            0);
}

}  // namespace
