// `--status` through the real executable: each format for each kind of
// last.json, read without a display and without writing anything.
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <optional>

#include <gtest/gtest.h>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <nlohmann/json.hpp>

#include "store/history_store.hpp"
#include "store/reading_store.hpp"
#include "store/time_stamp.hpp"

namespace {

using nlohmann::json;

struct Outcome {
  int status = -1;
  std::string out, err;
};

void startIn(QProcess& p, const QString& dataDir, const QStringList& args) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QUOTALUME_DATA_DIR", dataDir);
  env.insert("TZ", "UTC");
  // No display of any kind: the status mode must not need one.
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(name);
  p.setProcessEnvironment(env);
  p.start(QUOTALUME_EXECUTABLE, args);
}

Outcome runStatus(const QString& dataDir, const QStringList& args, const QString& mode = "--status") {
  QProcess p;
  startIn(p, dataDir, QStringList{mode} + args);
  if (!p.waitForFinished(30000)) return {};
  return {p.exitCode(), p.readAllStandardOutput().toStdString(), p.readAllStandardError().toStdString()};
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start));
  return lines;
}

std::vector<std::string> folderListing(const QString& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.toStdString()))
    names.push_back(entry.path().filename().string() + ":" +
                    std::to_string(entry.last_write_time().time_since_epoch().count()));
  std::sort(names.begin(), names.end());
  return names;
}

Date clockNow() {
  return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

// Session 42.3 % resetting in 2 h 10 m; weekly 76 % with 3 d 5 h left, far ahead of its pace.
Reading okReading(Date dataTime, Date now) {
  return {"ok",
          {},
          "Max 5x",
          dataTime * 1000,
          dataTime * 1000,
          {{"session", 42.3, (now + 2 * 3600 + 600) * 1000},
           {"weekly", 76, (now + 3 * 86400 + 5 * 3600) * 1000}}};
}

TEST(StatusMode, EveryFormatForEveryKindOfStoredReading) {
  const Date now = clockNow();
  const Reading fresh = okReading(now - 60, now), stale = okReading(now - 15 * 60, now);
  Reading signedOut{"signed_out", {}, {}, (now - 30) * 1000, (now - 30) * 1000, {}};
  const std::string waiting = "Waiting for the browser extension";
  struct Case {
    const char* name;
    std::optional<Saved> saved;  // absent: the file's bytes below
    std::string bytes;
    const char* phase;
    const char* headline;
    const char* tone;
    std::optional<int> percentage;
    std::string status;  // empty: none
  } cases[] = {
      {"fresh", Saved{fresh, fresh}, "", "ok", "42%", "normal", 42, ""},
      {"stale", Saved{stale, stale}, "", "stale", "42%", "dim", 42, waiting},
      {"signed out over old numbers", Saved{signedOut, fresh}, "", "signed_out", "42%", "dim", 42,
       "Log in to "},
      {"none at all", std::nullopt, "", "waiting_first", "\u2013", "dim", std::nullopt, waiting},
      {"damaged", std::nullopt, "{\"latest\": {\"status\": \"ok\"", "waiting_first", "\u2013", "dim",
       std::nullopt, waiting},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QTemporaryDir dir;
    const std::filesystem::path last = dir.filePath("last.json").toStdString();
    if (c.saved) Store::save(*c.saved, last);
    if (!c.bytes.empty()) std::ofstream(last) << c.bytes;
    const auto before = folderListing(dir.path());
    const bool numbers = c.percentage.has_value();

    const Outcome text = runStatus(dir.path(), {"--lang", "en"});
    ASSERT_EQ(text.status, 0) << text.err;
    const auto lines = linesOf(text.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], c.headline);
    if (!c.status.empty()) {
      EXPECT_TRUE(lines.at(1).starts_with(c.status)) << lines.at(1);
    }
    if (numbers) {
      const std::size_t first = c.status.empty() ? 1 : 2;
      ASSERT_EQ(lines.size(), first + 6) << text.out;
      EXPECT_EQ(lines[first], "5-hour limit  42%");
      EXPECT_TRUE(lines[first + 1].starts_with("   resets in 2h 10m \u00B7 ")) << lines[first + 1];
      EXPECT_EQ(lines[first + 2], "7-day limit  76%");
      EXPECT_EQ(lines[first + 4], "   at this pace: out about 2d before the reset");
      EXPECT_TRUE(lines[first + 5].starts_with("Max 5x \u00B7 updated ")) << lines[first + 5];
    } else {
      EXPECT_EQ(lines.size(), 2u) << text.out;
    }

    const Outcome bar = runStatus(dir.path(), {"--format", "waybar", "--lang", "en"});
    ASSERT_EQ(bar.status, 0) << bar.err;
    EXPECT_EQ(std::count(bar.out.begin(), bar.out.end(), '\n'), 1) << "one line";
    const json waybar = json::parse(bar.out, nullptr, false);
    ASSERT_TRUE(waybar.is_object()) << bar.out;
    EXPECT_EQ(waybar.value("text", ""), c.headline);
    EXPECT_EQ(waybar.value("class", ""), c.tone);
    EXPECT_EQ(waybar.contains("percentage"), numbers);
    EXPECT_EQ(waybar.value("percentage", -1), c.percentage.value_or(-1));
    const auto tooltip = linesOf(waybar.value("tooltip", "") + "\n");
    EXPECT_TRUE(tooltip.at(0).starts_with(c.status.empty() ? "5-hour limit  42%" : c.status))
        << tooltip.at(0);
    // Status line, four rows and the footer; the pace line belongs to the text format only.
    EXPECT_EQ(tooltip.size(), numbers ? (c.status.empty() ? 5u : 6u) : 1u);

    const Outcome full = runStatus(dir.path(), {"--format", "json", "--lang", "en"});
    ASSERT_EQ(full.status, 0) << full.err;
    const json model = json::parse(full.out, nullptr, false);
    ASSERT_TRUE(model.is_object()) << full.out;
    EXPECT_EQ(model.value("phase", ""), c.phase);
    EXPECT_EQ(model.value("tone", ""), c.tone);
    EXPECT_EQ(model.at("status").is_null(), c.status.empty());
    ASSERT_TRUE(model.at("windows").is_array());
    ASSERT_EQ(model["windows"].size(), numbers ? 2u : 0u);
    if (numbers) {
      const json& session = model["windows"][0];
      EXPECT_EQ(session.value("key", ""), "session");
      EXPECT_DOUBLE_EQ(session.value("pct", 0.0), 42.3);
      EXPECT_EQ(session.value("resets_at", "").size(), std::string("2026-10-14T06:20:00Z").size());
      EXPECT_TRUE(session.at("pace").at("runs_out_at").is_null()) << "behind its pace";
      EXPECT_NEAR(session["pace"].value("expected_pct", 0.0), 100.0 * (3 * 3600 - 600) / (5 * 3600), 0.1);
      EXPECT_TRUE(model["windows"][1].at("pace").at("runs_out_at").is_string());
    }
    EXPECT_EQ(folderListing(dir.path()), before) << "nothing written";
  }
}

TEST(StatusMode, LanguageAppliesAndAnUnknownFormatIsRefused) {
  QTemporaryDir dir;
  const Outcome korean = runStatus(dir.path(), {"--lang", "ko"});
  EXPECT_EQ(korean.status, 0);
  EXPECT_EQ(korean.out, "\u2013\n확장 프로그램을 기다리는 중이에요\n");
  const Outcome bad = runStatus(dir.path(), {"--format", "xml"});
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(bad.out, "");
  EXPECT_NE(bad.err.find("waybar, json or text"), std::string::npos) << bad.err;
  EXPECT_TRUE(QDir(dir.path()).isEmpty()) << "no log, no state file";
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
// and closing the pipe ends the process at once, while it sleeps. A real
// pipe, since QProcess keeps its end open after closeReadChannel.
TEST(StatusMode, FollowPrintsEachChangeAndEndsWithItsReader) {
  QTemporaryDir dir;
  const std::filesystem::path last = dir.filePath("last.json").toStdString();
  Date now = clockNow();
  Store::save({okReading(now, now), okReading(now, now)}, last);
  int out[2];
  ASSERT_EQ(::pipe2(out, O_CLOEXEC), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  std::string words[] = {QUOTALUME_EXECUTABLE,
                         "--status",
                         "--follow",
                         "--format",
                         "waybar",
                         "--lang",
                         "en",
                         "QUOTALUME_DATA_DIR=" + dir.path().toStdString()};
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.insert(argv.end() - 1, nullptr);  // the last word is the environment
  char* envp[] = {argv.back(), nullptr};
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp), 0);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  std::string pending;
  EXPECT_EQ(nextBarText(out[0], pending), "42%");

  now = clockNow();
  Reading more = okReading(now, now);
  more.windows[0].pct = 57;
  Store::save({more, more}, last);
  std::string text;  // a minute mark may print the old numbers once more first
  for (int i = 0; i < 3 && text != "57%"; ++i) text = nextBarText(out[0], pending);
  EXPECT_EQ(text, "57%");

  ::close(out[0]);
  int status = -1;
  for (int waited = 0; waited < 200 && ::waitpid(pid, &status, WNOHANG) == 0; ++waited) ::usleep(10000);
  const bool ended = WIFEXITED(status);
  if (!ended) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
  }
  ASSERT_TRUE(ended) << "still running 2 s after its reader left";
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(StatusMode, HistoryPrintsCsvAndJsonSinceASpan) {
  QTemporaryDir dir;
  const Date now = clockNow();
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
  } cases[] = {
      {{}, 0, header + old + ",weekly,12,\n" + recentRow},
      {{"--since", "5h"}, 0, header + recentRow},
      {{"--format", "json", "--since", "7d"},
       0,
       R"([{"key":"weekly","pct":12,"resets_at":null,"time":")" + old +
           R"("},{"key":"session","pct":42.5,"resets_at":")" + reset + R"(","time":")" + recent + "\"}]\n"},
      {{"--since", "7x"}, 2, ""},
      {{"--format", "xml"}, 2, ""},
  };
  for (const auto& c : cases) {
    const Outcome got = runStatus(dir.path(), c.args, "--history");
    EXPECT_EQ(got.status, c.status) << got.err;
    EXPECT_EQ(got.out, c.out) << c.args.join(' ').toStdString();
  }
}

}  // namespace
