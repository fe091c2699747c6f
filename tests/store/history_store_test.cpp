#include "store/history_store.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <functional>
#include <thread>
#include <tuple>

#include <gtest/gtest.h>

#include "store/fixtures.hpp"
#include "support/ends_in_time.hpp"

namespace {

constexpr EpochSeconds now = 1760421600;  // 2025-10-14 06:00:00 UTC
constexpr double ms = now * 1000;
constexpr double minute = 60000;

HistoryEntry at(double when, double pct) {
  return {when, {{"session", pct, ms + 36e5}, {"weekly", 7, {}}}};
}

std::string line(const HistoryEntry& entry) {
  return *History::encodeLine(entry);
}

}  // namespace

TEST(HistoryStore, RecordsChangesAndAHeartbeatEveryTenMinutes) {
  const std::tuple<const char*, HistoryEntry, bool> cases[] = {
      {"same numbers soon after", at(ms + 9 * minute, 42), false},
      {"a changed percentage", at(ms + minute, 43), true},
      {"a changed reset", {ms + minute, {{"session", 42, ms + 36e5 + 1}, {"weekly", 7, {}}}}, true},
      {"a window gone", {ms + minute, {{"session", 42, ms + 36e5}}}, true},
      {"heartbeat due", at(ms + 10 * minute, 42), true},
      {"clock set back a little", at(ms - minute, 42), false},
      {"clock set back an hour", at(ms - 60 * minute, 42), true},
  };
  for (const auto& [name, next, recorded] : cases)
    EXPECT_EQ(History::worthRecording(at(ms, 42), next), recorded) << name;
  EXPECT_TRUE(History::worthRecording({}, at(ms, 42)));
}

TEST(HistoryStore, ReadingSkipsTornBadFutureAndUnsaneLines) {
  const std::string good = line(at(ms - 2 * minute, 42));
  const std::tuple<const char*, std::string, std::vector<HistoryEntry>> cases[] = {
      {"round trip", good, {at(ms - 2 * minute, 42)}},
      {"torn last line", good + good.substr(0, 30), {at(ms - 2 * minute, 42)}},
      {"not JSON, not an object, no time",
       "garbage\n[1]\n{\"windows\":[]}\n" + good,
       {at(ms - 2 * minute, 42)}},
      {"in the future", line(at(ms + minute, 42)) + good, {at(ms - 2 * minute, 42)}},
      {"bad windows dropped, pct clamped",
       R"({"received_at":)" + std::to_string(ms) +
           R"(,"windows":[{"key":"bogus","pct":1},{"key":"session"},{"key":"opus","pct":1e300,"resets_at":1e300}]})"
           "\n",
       {{ms, {{"opus", maxPct, {}}}}}},
      {"clock set back: sorted",
       line(at(ms - minute, 2)) + line(at(ms - 3 * minute, 1)),
       {at(ms - 3 * minute, 1), at(ms - minute, 2)}},
  };
  for (const auto& [name, text, want] : cases) EXPECT_EQ(History::decode(text, now), want) << name;
  EXPECT_EQ(History::decode(good + line(at(ms, 1)), now, ms), std::vector{at(ms, 1)});
}

// Past any read limit too (a file appended to without trims); a line far
// longer than any the app writes costs only itself.
TEST(HistoryStore, TrimsPastTheSizeLimitToFortyDaysAndThenToSize) {
  TempFolder tmp;
  const auto file = tmp / "history.jsonl";
  // Two months of a line a minute is far past the limit either way.
  std::string text;
  for (double t = ms - 60 * 86400000.0; t < ms - 50 * 86400000.0; t += 120 * minute) text += line(at(t, 1));
  const std::string old = text;
  for (double t = ms - 20 * 86400000.0; t < ms; t += minute)
    text += line(at(t, double(std::int64_t(t / minute) % 100)));
  text += "{" + std::string(3 << 20, ' ') + line(at(ms - minute, 1)).substr(1) + "torn";  // still JSON
  writeAll(file, "");
  std::filesystem::resize_file(file, 65 << 20);  // a hole of zero bytes, without using the disk
  std::ofstream(file, std::ios::app | std::ios::binary) << "\n" + text;
  EXPECT_GT(History::load(file, now).size(), 5000u);
  ASSERT_TRUE(History::append(file, line(at(ms, 5)), now));
  const std::string after = readAll(file);
  EXPECT_LE(after.size(), History::trimToBytes);
  EXPECT_EQ(after.find(old.substr(0, 40)), std::string::npos);
  EXPECT_FALSE(after.ends_with("torn"));
  const auto kept = History::decode(after, now);
  EXPECT_EQ(kept.back(), at(ms, 5));
  EXPECT_GT(kept.size(), 5000u);  // the newest lines, not a few

  // Under the limit nothing is rewritten, bad lines included.
  writeAll(file, old + "bad\n");
  ASSERT_TRUE(History::append(file, line(at(ms, 5)), now));
  EXPECT_EQ(readAll(file), old + "bad\n" + line(at(ms, 5)));
}

// A link, a pipe or a folder at the file's place is replaced like a missing
// file, never written through and never waited on; a folder that holds
// something is left alone.
TEST(HistoryStore, TheRecorderAppendsOncePerChangeAndReplacesWhatIsNotAFile) {
  namespace fs = std::filesystem;
  TempFolder tmp;
  const auto file = tmp / "history.jsonl";
  const Reading ok{"ok", {}, "Pro", ms, ms, at(ms, 42).windows};
  writeAll(file, line(at(ms - minute, 42)));
  {
    History::Recorder recorder(file);
    recorder.record(ok, now);  // the same numbers as the line already there
    Reading changed = ok;
    changed.windows[0].pct = 43;
    recorder.record(changed, now);
    recorder.record(changed, now);
  }  // its lines are written by the time it is gone
  EXPECT_EQ(readAll(file), line(at(ms - minute, 42)) + line(at(ms, 43)));

  fs::create_directory(tmp / "folder");
  fs::create_directories(tmp / "full/kept");
  writeAll(tmp / "target", "x");
  fs::create_symlink(tmp / "target", tmp / "link");
  ::mkfifo((tmp / "pipe").c_str(), 0600);
  ASSERT_EQ(exitStatusInTime([&] {
              for (const char* name : {"folder", "link", "pipe", "full"})
                History::Recorder(tmp / name).record(ok, now);
              return 0;
            }),
            0);
  for (const char* name : {"folder", "link", "pipe"})  // load reads no link, folder or pipe
    EXPECT_EQ(History::load(tmp / name, now), std::vector{at(ms, 42)}) << name;
  EXPECT_EQ(readAll(tmp / "target"), "x");
  const History::Appended refused = History::append(tmp / "full", line(at(ms, 1)), now);
  EXPECT_TRUE(refused.wasNotAFile && !refused.written && fs::exists(tmp / "full/kept"));
}

// While another copy holds the lock, recording costs the caller no wait and
// the line is kept; it lands once the lock is free, in the file then at the
// path, although that copy's trim replaced the file meanwhile, while the
// recorder waited on the old one: a line lost to neither.
TEST(HistoryStore, ALockHeldElsewhereNeitherHoldsTheCallerNorLosesTheLine) {
  TempFolder tmp;
  const auto file = tmp / "history.jsonl";
  writeAll(file, line(at(ms - 2 * minute, 41)));
  int locked[2];
  ASSERT_EQ(::pipe(locked), 0);
  const pid_t holder = ::fork();
  if (holder == 0) {
    if (::flock(::open(file.c_str(), O_RDWR), LOCK_EX) == 0 && ::write(locked[1], "l", 1) == 1) ::pause();
    ::_exit(1);
  }
  char got = 0;
  ASSERT_EQ(::read(locked[0], &got, 1), 1);
  const auto polled = [](const std::function<bool()>& done) {
    for (int i = 0; i < 500 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return done();
  };
  History::Recorder recorder(file);
  const auto started = std::chrono::steady_clock::now();
  recorder.record({"ok", {}, "Pro", ms, ms, at(ms, 42).windows}, now);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1)) << "waited for the lock";
  EXPECT_TRUE(polled([&] {
    return std::ranges::any_of(std::filesystem::directory_iterator("/proc/self/fd"), [&](const auto& fd) {
      return std::filesystem::read_symlink(fd.path()) == file;
    });
  })) << "the history is not open, waiting for its lock";
  writeAll(tmp / "trimmed", line(at(ms - minute, 41)));
  std::filesystem::rename(tmp / "trimmed", file);
  ::kill(holder, SIGKILL);
  ::waitpid(holder, nullptr, 0);
  EXPECT_TRUE(polled([&] { return readAll(file) == line(at(ms - minute, 41)) + line(at(ms, 42)); }))
      << readAll(file);
}
