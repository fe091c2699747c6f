#include <QDir>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <map>
#include <set>

#include <gtest/gtest.h>

#include "app/sample_states.hpp"
#include "build_config.hpp"
#include "display/phrases.hpp"

namespace {

// Exit status and standard output of the real executable, run in `dir` with
// its data kept there; `unset` names variables it must not inherit and `set`
// those it gets on top (drawing off screen unless they say otherwise).
std::pair<int, QString> runApp(const QStringList& args, const QString& dir,
                               const std::map<QString, QString>& set = {{"QT_QPA_PLATFORM", "offscreen"}},
                               const QStringList& unset = {}) {
  QProcess p;
  p.setWorkingDirectory(dir);
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const QString& name : unset) env.remove(name);
  for (const auto& [name, value] : set) env.insert(name, value);
  env.insert("QUOTALUME_DATA_DIR", dir);
  p.setProcessEnvironment(env);
  p.start(QUOTALUME_EXECUTABLE, args);
  if (!p.waitForFinished(60000)) return {-1, ""};
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
          QString::fromUtf8(p.readAllStandardOutput())};
}

TEST(RenderModes, EachModeWritesItsPictureAndTheSelftestPasses) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid() && QDir(dir.path()).mkdir("sub"));
  const auto absolute = [&](const char* file) { return QDir(dir.path()).absoluteFilePath(file); };
  struct Case {
    const char* name;
    QStringList args;
    QString file;
    QString wrote;  // the path as the "wrote" line prints it; empty when nothing is printed
  } cases[] = {
      {"glyph", {"--render-glyph", "glyph.png"}, "glyph.png", ""},
      {"menu, English", {"--lang", "en", "--render-menu", "en.png"}, "en.png", absolute("en.png")},
      {"menu, Korean", {"--render-menu", "ko.png", "--lang", "ko"}, "ko.png", absolute("ko.png")},
      {"history", {"--render-history", "h.png"}, "h.png", "h.png"},
      {"guide, path as typed",
       {"--render-guide", "./sub/../g.png", "--render-menu", "x.png"},
       "g.png",
       "./sub/../g.png"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto [status, out] = runApp(c.args, dir.path());
    EXPECT_EQ(status, 0);
    // The sheets are drawn at twice the size the "wrote" line gives.
    const auto m =
        QRegularExpression("^wrote " + QRegularExpression::escape(c.wrote) + " (\\d+)x(\\d+)\n$").match(out);
    EXPECT_TRUE(c.wrote.isEmpty() ? out.isEmpty() : m.hasMatch()) << out.toStdString();
    const QSize want =
        c.wrote.isEmpty() ? QSize(270, 54) : QSize(m.captured(1).toInt(), m.captured(2).toInt()) * 2;
    EXPECT_EQ(QImage(QDir(dir.path()).filePath(c.file)).size(), want);
  }
  EXPECT_FALSE(QFile::exists(QDir(dir.path()).filePath("x.png")));

  const QString quiet = QDir(dir.path()).filePath("sub");
  const auto [status, out] = runApp({"--render-menu", "m.png", "--selftest"}, quiet);
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(QRegularExpression("^selftest: \\d+ passed, 0 failed\n$").match(out).hasMatch())
      << out.toStdString();
  // Logging is off and nothing is drawn, so the folder stays empty.
  EXPECT_TRUE(QDir(quiet).isEmpty());
}

TEST(RenderModes, DrawOffScreenWhateverDisplayTheEnvironmentNames) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  // Neither display exists: no X server listens on :99 and the Wayland
  // socket lies in an empty folder.
  const QStringList platformVariables{"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE"};
  const std::map<QString, QString> x{{"DISPLAY", ":99"}}, wayland{{"WAYLAND_DISPLAY", "wayland-gone"},
                                                                  {"XDG_RUNTIME_DIR", dir.path()},
                                                                  {"XDG_SESSION_TYPE", "wayland"}};
  struct Case {
    const char* name;
    std::map<QString, QString> env;
    QStringList args;
    QString file;  // empty for the self-check
    QString firstWord;
  } cases[] = {
      {"glyph, X gone", x, {"--render-glyph", "glyph.png"}, "glyph.png", ""},
      {"menu, Wayland gone", wayland, {"--lang", "ko", "--render-menu", "menu.png"}, "menu.png", "wrote "},
      {"guide, X gone", x, {"--render-guide", "guide.png"}, "guide.png", "wrote "},
      {"selftest, Wayland gone", wayland, {"--selftest"}, "", "selftest: "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto [status, out] = runApp(c.args, dir.path(), c.env, platformVariables);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(c.file.isEmpty() || !QImage(QDir(dir.path()).filePath(c.file)).isNull());
    EXPECT_EQ(out.isEmpty(), c.firstWord.isEmpty()) << out.toStdString();
    EXPECT_EQ(out.left(c.firstWord.size()).toStdString(), c.firstWord.toStdString());
  }
}

TEST(RenderModes, HelpAndVersionAnswerAndLeaveNothingBehind) {
  QTemporaryDir dir;
  for (const char* help : {"--help", "-h"}) {
    SCOPED_TRACE(help);
    const auto [status, out] = runApp({"--lang", "en", help, "--selftest"}, dir.path());
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(out.startsWith("Usage: quotalume")) << out.toStdString();
    for (const char* named : {"--status", "--no-update", "QUOTALUME_DATA_DIR", ".local/share/Quotalume"})
      EXPECT_TRUE(out.contains(named)) << named;
  }
  EXPECT_EQ(runApp({"--version"}, dir.path()), std::pair(0, QString("Quotalume ") + Build::version + "\n"));
  EXPECT_TRUE(QDir(dir.path()).isEmpty()) << "no log";
}

constexpr Date now = 1760415000;

TEST(SampleStates, SheetCoversEverySituationInBothLanguages) {
  const bool saved = isKorean;
  isKorean = true;
  const auto ko = sampleStates(now);
  isKorean = false;
  const auto en = sampleStates(now);
  isKorean = saved;
  std::set<std::string> phases, captions;
  bool threeTones = false, pastReset = false, notStarted = false;
  for (const auto& s : en) {
    const std::string& phase = s.shown.phase;
    const auto& d = s.shown.details;
    phases.insert(phase);
    captions.insert(s.caption);
    threeTones |= phase == "ok" && d.size() == 3 && d[0].tone == Tone::normal && d[1].tone == Tone::orange &&
                  d[2].tone == Tone::red;
    for (const auto& row : d) {
      pastReset |= row.reset == "reset" && row.pct == "0%";
      notStarted |= row.reset == "not started yet";
    }
    // Signed out and stale panels keep the old numbers.
    EXPECT_TRUE((phase != "signed_out" && phase != "stale") || !d.empty()) << phase;
  }
  EXPECT_EQ(phases, (std::set<std::string>{"waiting_first", "ok", "stale", "signed_out", "error", "no_data",
                                           "port_busy"}));
  EXPECT_EQ(captions.size(), en.size()) << "every sample needs its own caption";
  EXPECT_TRUE(threeTones && pastReset && notStarted) << threeTones << pastReset << notStarted;

  ASSERT_EQ(ko.size(), en.size());
  for (std::size_t i = 0; i < ko.size(); ++i) EXPECT_NE(ko[i].caption, en[i].caption) << en[i].caption;
}

}  // namespace
