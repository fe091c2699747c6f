// The one-shot modes through the real executable: the pictures, the
// self-check, help and version, and `--status` / `--history` reading the
// data folder without writing anything.
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <nlohmann/json.hpp>

#include "base/wall_clock.hpp"
#include "build_config.hpp"
#include "store/history_store.hpp"
#include "store/reading_store.hpp"
#include "store/settings_file.hpp"
#include "store/time_stamp.hpp"

namespace {

using nlohmann::json;

struct Outcome {
  int status = -1;
  std::string out, err;
};

// The real executable run in `dir` with its data kept there, without a
// display of any kind unless `env` (added to the inherited one) names one.
Outcome runApp(const QStringList& args, const QString& dir, const std::map<QString, QString>& env = {},
               const std::function<void()>& inChild = nullptr) {
  QProcess p;
  if (inChild) p.setChildProcessModifier(inChild);
  p.setWorkingDirectory(dir);
  QProcessEnvironment vars = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE"})
    vars.remove(name);
  vars.insert("QUOTALUME_DATA_DIR", dir);
  vars.insert("TZ", "UTC");
  for (const auto& [name, value] : env) vars.insert(name, value);
  p.setProcessEnvironment(vars);
  p.start(QUOTALUME_EXECUTABLE, args);
  if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit) return {};
  return {p.exitCode(), p.readAllStandardOutput().toStdString(), p.readAllStandardError().toStdString()};
}

TEST(OneShotModes, PicturesDrawOffScreenWhateverTheDisplayAndTheRestLeaveNothingBehind) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid() && QDir(dir.path()).mkdir("sub"));
  const auto full = [&](const char* file) { return QDir(dir.path()).absoluteFilePath(file); };
  // Neither display exists: no X server listens on :99 and the Wayland
  // socket lies in an empty folder.
  const std::map<QString, QString> x{{"DISPLAY", ":99"}}, wayland{{"WAYLAND_DISPLAY", "wayland-gone"},
                                                                  {"XDG_RUNTIME_DIR", dir.path()},
                                                                  {"XDG_SESSION_TYPE", "wayland"}};
  struct Case {
    const char* name;
    std::map<QString, QString> env;
    QStringList args;
    QString file;
    QString wrote;  // the path as the "wrote" line prints it; empty when nothing is printed
  } cases[] = {
      {"glyph, X gone", x, {"--render-glyph", "glyph.png"}, "glyph.png", ""},
      {"menu, no Wayland", wayland, {"--lang", "en", "--render-menu", "en.png"}, "en.png", full("en.png")},
      {"menu, Korean", {}, {"--render-menu", "ko.png", "--lang", "ko"}, "ko.png", full("ko.png")},
      {"history", {}, {"--render-history", "h.png"}, "h.png", "h.png"},
      {"guide, path as typed, X gone", x, {"--render-guide", "./sub/../g.png"}, "g.png", "./sub/../g.png"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Outcome got = runApp(c.args, dir.path(), c.env);
    EXPECT_EQ(got.status, 0);
    // The sheets are drawn at twice the size the "wrote" line gives.
    const auto m = QRegularExpression("^wrote " + QRegularExpression::escape(c.wrote) + " (\\d+)x(\\d+)\n$")
                       .match(QString::fromStdString(got.out));
    EXPECT_TRUE(c.wrote.isEmpty() ? got.out.empty() : m.hasMatch()) << got.out;
    const QSize want =
        c.wrote.isEmpty() ? QSize(270, 54) : QSize(m.captured(1).toInt(), m.captured(2).toInt()) * 2;
    EXPECT_EQ(QImage(QDir(dir.path()).filePath(c.file)).size(), want);
  }

  // A full disk (a file size limit stands in for it) or /dev/full: each mode
  // says so, fails and leaves nothing at the path, not even a temporary.
  const std::function<void()> fullDisk = [] {
    const rlimit small{1024, 1024};
    ::signal(SIGXFSZ, SIG_IGN), ::setrlimit(RLIMIT_FSIZE, &small);
  };
  const auto everything = [&] { return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden); };
  const QStringList before = everything();
  for (const char* mode : {"--render-glyph", "--render-menu", "--render-history", "--render-guide"}) {
    for (const QString path : {"full.png", "/dev/full"}) {
      const Outcome got = runApp({mode, path}, dir.path(), {}, path == "full.png" ? fullDisk : nullptr);
      EXPECT_EQ(std::pair(got.status, got.err),
                std::pair(1, "quotalume: could not write " + path.toStdString() + "\n"))
          << mode;
    }
    EXPECT_EQ(everything(), before) << mode;
  }

  // Logging is off and nothing is drawn, so the folder stays empty.
  const QString quiet = QDir(dir.path()).filePath("sub");
  const Outcome self = runApp({"--render-menu", "m.png", "--selftest"}, quiet, wayland);
  EXPECT_EQ(self.status, 0);
  EXPECT_TRUE(std::regex_match(self.out, std::regex("selftest: ([6-9]\\d|[1-9]\\d{2,}) passed, 0 failed\n")))
      << self.out;
  // An unknown option changes nothing but is named.
  const Outcome version = runApp({"--bogus\x1b[2J", "--version"}, quiet);
  EXPECT_EQ(std::tuple(version.status, version.out, version.err),
            std::tuple(0, "Quotalume " + std::string(Build::version) + "\n",
                       "quotalume: ignoring unknown option '--bogus?[2J'\n"));
  EXPECT_TRUE(QDir(quiet).isEmpty());
}

// The options of a text as `--help` or the manual shows it: each line's first
// words that begin with a dash, before the option's value.
std::set<std::string> listedOptions(std::string text) {
  for (const char* dash : {"\u2212", "\u2010"})
    for (std::size_t at; (at = text.find(dash)) != std::string::npos;)
      text.replace(at, std::strlen(dash), "-");
  std::set<std::string> names;
  static const std::regex row(
      R"(^ +(-[-a-z]+)(, (-[-a-z]+))?( [A-Z]+)?$|^ +(-[-a-z]+)(, (-[-a-z]+))?( [A-Z]+)? {2,})");
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    std::smatch m;
    if (!std::regex_search(line, m, row)) continue;
    for (int group : {1, 3, 5, 7})
      if (m[group].matched) names.insert(m[group]);
  }
  return names;
}

TEST(ManPage, ListsEveryOptionHelpListsAndFormatsCleanly) {
  QTemporaryDir dir;
  const Outcome help = runApp({"--help"}, dir.path());
  const std::set<std::string> fromHelp = listedOptions(help.out);
  EXPECT_GE(fromHelp.size(), 20u) << help.out;

  QProcess man;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("MANWIDTH", "100");
  env.insert("LC_ALL", "C.UTF-8");
  man.setProcessEnvironment(env);
  man.start("man", {"--warnings", "-P", "cat", "-l", QUOTALUME_MAN_PAGE});
  ASSERT_TRUE(man.waitForFinished(30000));
  EXPECT_EQ(man.exitCode(), 0);
  EXPECT_EQ(man.readAllStandardError().toStdString(), "") << "roff warnings";
  EXPECT_EQ(listedOptions(man.readAllStandardOutput().toStdString()), fromHelp);
}

// Session 42.3 % resetting in 2 h 10 m; weekly 76 % with 3 d 5 h left, far ahead of its pace.
Reading okReading(EpochSeconds dataTime, EpochSeconds now) {
  return {"ok",
          {},
          "Max 5x",
          dataTime * 1000,
          dataTime * 1000,
          {{"session", 42.3, (now + 2 * 3600 + 600) * 1000},
           {"weekly", 76, (now + 3 * 86400 + 5 * 3600) * 1000}}};
}

// The clock's share of the output changes between runs: each reset's moment,
// the time stamps and the fraction of the share expected by now.
std::string steady(const std::string& text) {
  static const std::regex moment(R"( · [^\n"]*?\d:\d\d [AP]M|\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ)"),
      fraction(R"((_pct":\d+)\.\d+)");
  return std::regex_replace(std::regex_replace(text, moment, "…"), fraction, "$1");
}

TEST(StatusMode, EveryFormatWithAndWithoutAStoredReading) {
  const EpochSeconds now = wallClockNow();
  const Reading fresh = okReading(now - 60, now);
  const std::string waiting = "Waiting for the browser extension", recent = "Max 5x · updated 1 min ago";
  const std::vector<std::string> rows{"5-hour limit  42%", "   resets in 2h 10m…", "7-day limit  76%",
                                      "   resets in 3d 5h…"};
  // Behind its pace the session has no pace line; the weekly window runs out before its reset.
  const json windows = json::parse(
      R"([{"key":"session","label":"5-hour limit","pace":{"expected_pct":56,"runs_out_at":null,"text":null},)"
      R"("pct":42.3,"pct_text":"42%","reset":"resets in 2h 10m…","resets_at":"…","tone":"normal"},)"
      R"({"key":"weekly","label":"7-day limit","pace":{"expected_pct":54,"runs_out_at":"…",)"
      R"("text":"at this pace: out about 2d before the reset"},"pct":76,"pct_text":"76%",)"
      R"("reset":"resets in 3d 5h…","resets_at":"…","tone":"orange"}])");
  struct Case {
    const char* name;
    std::optional<Saved> saved;
    const char* phase;
    std::string headline;
    const char* tone;
    std::optional<std::string> status, footer;  // a footer when there are numbers
  } cases[] = {
      {"fresh", Saved{fresh, fresh}, "ok", "42%", "normal", {}, recent},
      {"none at all", std::nullopt, "waiting_first", "\u2013", "dim", waiting, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QTemporaryDir dir;
    const std::filesystem::path last = dir.filePath("last.json").toStdString();
    if (c.saved) Store::save(*c.saved, last);
    const bool numbers = c.footer.has_value();
    std::string above = c.status ? *c.status + "\n" : "", below;
    for (const std::string& row : numbers ? rows : std::vector<std::string>{}) above += row + "\n";
    if (numbers) below = *c.footer + "\n";

    const Outcome text = runApp({"--status", "--lang", "en"}, dir.path());
    EXPECT_EQ(std::pair(text.status, steady(text.out)),
              std::pair(0, c.headline + "\n" + above +
                               (numbers ? "   at this pace: out about 2d before the reset\n" : "") + below))
        << text.err;

    const Outcome bar = runApp({"--status", "--format", "waybar", "--lang", "en"}, dir.path());
    EXPECT_EQ(std::count(bar.out.begin(), bar.out.end(), '\n'), 1) << "one line";
    json want{{"class", c.tone},
              {"text", c.headline},
              {"tooltip", (above + below).substr(0, (above + below).size() - 1)}};
    if (numbers) want["percentage"] = 42, want["alt"] = "session";
    EXPECT_EQ(json::parse(steady(bar.out), nullptr, false), want);

    const Outcome full = runApp({"--status", "--format", "json", "--lang", "en"}, dir.path());
    EXPECT_EQ(json::parse(steady(full.out), nullptr, false),
              (json{{"dim", c.tone == std::string("dim")},
                    {"footer", numbers ? json(*c.footer) : json()},
                    {"gauge", numbers ? json(0.423) : json()},
                    {"headline", c.headline},
                    {"phase", c.phase},
                    {"rows", numbers ? json(rows) : json::array()},
                    {"status", c.status ? json(*c.status) : json()},
                    {"tone", c.tone},
                    {"window", numbers ? json("session") : json()},
                    {"windows", numbers ? windows : json::array()}}));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), c.saved ? QStringList{"last.json"} : QStringList())
        << "nothing written";
  }
}

// A spent week behind a calm session: the tray's saved choice decides what a
// bar shows, and --window overrides it for one call.
TEST(StatusMode, TheTraysChoiceOfWindowAndWindowForOneCall) {
  QTemporaryDir dir;
  const EpochSeconds now = wallClockNow();
  Reading spent = okReading(now - 60, now);
  spent.windows = {{"session", 3, (now + 3600) * 1000}, {"weekly", 100, (now + 86400) * 1000}};
  Store::save({spent, spent}, dir.filePath("last.json").toStdString());
  const std::map<QString, QString> config{{"XDG_CONFIG_HOME", dir.path()}};
  const auto firstLine = [&](const QStringList& args) {
    const Outcome got = runApp(args + QStringList{"--lang", "en"}, dir.path(), config);
    return got.out.substr(0, got.out.find('\n'));
  };
  EXPECT_EQ(firstLine({"--status"}), "3%") << "nothing chosen: the 5-hour limit";
  ASSERT_TRUE(QDir(dir.path()).mkpath("Quotalume"));
  std::ofstream(dir.filePath("Quotalume/Quotalume.conf").toStdString()) << "[General]\ntrayWindow=weekly\n";
  EXPECT_EQ(firstLine({"--status"}), "7-day limit 100%");
  EXPECT_EQ(firstLine({"--status", "--window", "session"}), "3%");
  EXPECT_EQ(
      json::parse(firstLine({"--status", "--format", "json", "--window", "highest"})).value("window", ""),
      "weekly");
}

// The "text" of the next waybar line on `fd`; empty after 5 s without one.
std::string nextBarText(int fd, std::string& pending) {
  for (std::size_t end; (end = pending.find('\n')) == std::string::npos;) {
    pollfd ready{fd, POLLIN, 0};
    char chunk[4096];
    const ssize_t got = ::poll(&ready, 1, 5000) == 1 ? ::read(fd, chunk, sizeof chunk) : 0;
    if (got <= 0) return "";
    pending.append(chunk, std::size_t(got));
  }
  const std::string line = pending.substr(0, pending.find('\n'));
  pending.erase(0, line.size() + 1);
  return json::parse(line).value("text", "");
}

// A bar keeps the command running: a replaced last.json prints a new line,
// also after the data folder was made anew or replaced by a link, and
// closing the pipe ends the process at once, while it sleeps. A pipe of
// the test's own, since QProcess keeps its end open after closeReadChannel.
TEST(StatusMode, FollowPrintsEachChangeAndEndsWithItsReader) {
  namespace fs = std::filesystem;
  QTemporaryDir dir;
  const fs::path data = dir.filePath("data").toStdString(), last = data / "last.json";
  fs::create_directory(data);
  EpochSeconds now = wallClockNow();
  Store::save({okReading(now, now), okReading(now, now)}, last);
  int out[2];
  ASSERT_EQ(::pipe2(out, O_CLOEXEC), 0);
  QProcess follower;
  QProcessEnvironment env;
  env.insert("QUOTALUME_DATA_DIR", QString::fromStdString(data.string()));
  // As ~/.config is there on any desktop, while the app's own folder in it
  // comes with the first choice saved.
  env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
  fs::create_directory(dir.filePath("config").toStdString());
  follower.setProcessEnvironment(env);
  follower.setStandardOutputFile(QString("/dev/fd/%1").arg(out[1]));
  follower.start(QUOTALUME_EXECUTABLE, {"--status", "--follow", "--format", "waybar"});
  ::close(out[1]);
  std::string pending;
  EXPECT_EQ(nextBarText(out[0], pending), "42%");

  const auto shows = [&](double pct, const std::function<void()>& move) {
    move();
    now = wallClockNow();
    Reading more = okReading(now, now);
    more.windows[0].pct = pct;
    Store::save({more, more}, last);
    const std::string want = std::to_string(int(pct)) + "%";
    std::string text;  // a minute mark or the move may print the old numbers once more first
    for (int i = 0; i < 4 && text != want; ++i) text = nextBarText(out[0], pending);
    return text == want;
  };
  EXPECT_TRUE(shows(57, [] {}));
  // Each move lets the follower see the folder gone before it comes back.
  const auto pause = [] { std::this_thread::sleep_for(std::chrono::milliseconds(300)); };
  EXPECT_TRUE(shows(63, [&] {
    fs::remove_all(data);
    pause();
    fs::create_directory(data);
  })) << "the folder made anew";
  const fs::path away = dir.filePath("away").toStdString(), real = dir.filePath("real").toStdString();
  EXPECT_TRUE(shows(71, [&] {
    fs::rename(data, away);
    pause();
    fs::create_directory(real);
    fs::create_directory_symlink(real, data);
  })) << "the folder moved away and a link in its place";

  // A choice made in the tray's menu reaches the bar without a new reading.
  const fs::path settings = dir.filePath("config/Quotalume/Quotalume.conf").toStdString();
  fs::create_directories(settings.parent_path());
  ASSERT_TRUE(Settings::write(settings, Settings::trayWindowKey, "weekly") == std::nullopt);
  std::string text;
  for (int i = 0; i < 3 && text != "76%"; ++i) text = nextBarText(out[0], pending);
  EXPECT_EQ(text, "76%") << "the 7-day limit, chosen while the bar runs";

  ::close(out[0]);
  EXPECT_TRUE(follower.waitForFinished(2000)) << "still running 2 s after its reader left";
  EXPECT_EQ(std::pair(follower.exitStatus(), follower.exitCode()), std::pair(QProcess::NormalExit, 0));
}

// Both read-only modes refuse what they do not know, and neither writes a log.
TEST(StatusMode, HistorySinceASpanLanguageAndRefusals) {
  QTemporaryDir dir;
  const EpochSeconds now = wallClockNow();
  const std::filesystem::path file = dir.filePath("history.jsonl").toStdString();
  for (const HistoryEntry& entry :
       {HistoryEntry{(now - 3 * 86400) * 1000, {{"weekly", 12, {}}}},
        HistoryEntry{(now - 3600) * 1000, {{"session", 42.5, (now + 60) * 1000}}}}) {
    History::append(file, *History::encodeLine(entry), now);
  }
  const std::string old = isoTimeStamp(now - 3 * 86400), recent = isoTimeStamp(now - 3600),
                    reset = isoTimeStamp(now + 60);
  const std::string header = "time,key,pct,resets_at\n", recentRow = recent + ",session,42.5," + reset + "\n";
  const struct {
    QStringList args;
    int status;
    std::string out;
    const char* err;  // a part of the complaint
  } cases[] = {
      {{"--history"}, 0, header + old + ",weekly,12,\n" + recentRow, ""},
      {{"--history", "--since", "5h"}, 0, header + recentRow, ""},
      {{"--history", "--format", "json", "--since", "7d"},
       0,
       R"([{"key":"weekly","pct":12,"resets_at":null,"time":")" + old +
           R"("},{"key":"session","pct":42.5,"resets_at":")" + reset + R"(","time":")" + recent + "\"}]\n",
       ""},
      {{"--history", "--since", "7x"}, 2, "", "use a number and m, h or d"},
      {{"--history", "--format", "xml"}, 2, "", "use csv or json"},
      {{"--history", "--since"}, 2, "", "--since needs a value"},
      {{"--status", "--format"}, 2, "", "--format needs a value"},
      {{"--status", "--lang", "ko"}, 0, "\u2013\n확장 프로그램을 기다리는 중이에요\n", ""},
      {{"--status", "--format", "xml"}, 2, "", "use waybar, json or text"},
      {{"--status", "--window", "monthly"},
       2,
       "",
       "unknown --window \"monthly\"; use session, weekly or highest"},
      {{"--status", "--window"}, 2, "", "--window needs a value"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.join(' ').toStdString());
    const Outcome got = runApp(c.args, dir.path());
    EXPECT_EQ(std::pair(got.status, got.out), std::pair(c.status, c.out));
    EXPECT_NE(got.err.find(c.err), std::string::npos) << got.err;
  }
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
            QStringList{"history.jsonl"});
}

}  // namespace
