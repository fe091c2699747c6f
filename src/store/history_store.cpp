#include "store/history_store.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>

#include <nlohmann/json.hpp>

#include "readings/json_access.hpp"
#include "readings/stored_reading.hpp"
#include "store/atomic_file.hpp"
#include "store/file_bytes.hpp"
#include "store/log.hpp"
#include "store/regular_file.hpp"
#include "store/tail_lines.hpp"

namespace History {

namespace {

using nlohmann::json;

// How far back from the end a read or a trim looks: far beyond anything
// trimming lets the file reach, so only a file that grew without trims (an
// older version, damage) is cut short, and then its newest lines are read.
constexpr std::uintmax_t maxScanBytes = 64u << 20;
// A line as encodeLine writes it is a few hundred bytes; a longer one is
// damage or a hand edit and is skipped alone, so one cannot cost the rest.
constexpr std::size_t maxLineBytes = 16 * 1024;
// The newest line is somewhere in the last few kilobytes.
constexpr std::uintmax_t tailBytes = 64 * 1024;
// Waiting for another copy's append or trim without a say of the caller's: a
// millisecond at a time, two seconds at most.
constexpr int lockAttempts = 2000;
constexpr auto lockPause = std::chrono::milliseconds(1);
// The recorder's writer tries a lock held elsewhere this often, and keeps
// this many lines meanwhile (a day of readings a minute apart).
constexpr auto recorderRetry = std::chrono::milliseconds(20);
constexpr std::size_t maxQueuedLines = 1440;

// Reads the history's own lines without a JSON parser, which is most of the
// cost of opening a long history; anything else (a hand edit, another
// writer's spacing) gets the full parser.
class LineScanner {
 public:
  explicit LineScanner(std::string_view text) : rest_(text) {}

  bool take(std::string_view expected) {
    if (!rest_.starts_with(expected)) return false;
    rest_.remove_prefix(expected.size());
    return true;
  }
  std::optional<double> number() {
    double value = 0;
    const auto [end, error] = std::from_chars(rest_.data(), rest_.data() + rest_.size(), value);
    if (error != std::errc() || end == rest_.data()) return std::nullopt;
    rest_.remove_prefix(static_cast<std::size_t>(end - rest_.data()));
    return value;
  }
  // A string without escapes, up to its closing quote.
  std::optional<std::string> plainString() {
    const std::size_t end = rest_.find_first_of("\"\\");
    if (end == std::string_view::npos || rest_[end] != '"') return std::nullopt;
    std::string value(rest_.substr(0, end));
    rest_.remove_prefix(end + 1);
    return value;
  }
  bool done() const { return rest_.empty(); }

 private:
  std::string_view rest_;
};

// The time and windows of a line exactly as encodeLine writes it.
std::optional<Reading> scanLine(std::string_view line) {
  LineScanner scan(line);
  std::optional<double> at;
  if (!scan.take(R"({"received_at":)") || !(at = scan.number()) || !scan.take(R"(,"windows":[)"))
    return std::nullopt;
  Reading reading{"ok", {}, {}, *at, *at, {}};
  for (bool first = true; !scan.take("]}"); first = false) {
    if (!first && !scan.take(",")) return std::nullopt;
    UsageWindow window;
    std::optional<std::string> key;
    std::optional<double> pct;
    if (!scan.take(R"({"key":")") || !(key = scan.plainString()) || !scan.take(R"(,"pct":)") ||
        !(pct = scan.number()))
      return std::nullopt;
    window.key = std::move(*key);
    window.pct = *pct;
    if (scan.take(R"(,"resets_at":)") && !(window.resets_at = scan.number())) return std::nullopt;
    if (!scan.take("}")) return std::nullopt;
    reading.windows.push_back(std::move(window));
  }
  if (!scan.done()) return std::nullopt;
  return reading;
}

// Every line starts with the time, since members are sorted; reading just the
// number lets `--since` skip old lines without parsing them.
std::optional<double> leadingTime(std::string_view line) {
  LineScanner scan(line);
  if (!scan.take(R"({"received_at":)")) return std::nullopt;
  const auto at = scan.number();
  if (!at || !(scan.take(",") || scan.take("}"))) return std::nullopt;
  return at;
}

std::optional<HistoryEntry> decodeLine(std::string_view line, EpochSeconds now, double fromMs) {
  if (const auto at = leadingTime(line); at && *at < fromMs) return std::nullopt;
  std::optional<Reading> reading = scanLine(line);
  if (!reading) {
    const json document = readings_detail::parseDocument(line);
    const auto at = readings_detail::anyNumber(readings_detail::member(document, "received_at"));
    const json* windows = readings_detail::member(document, "windows");
    if (!at || windows == nullptr || !windows->is_array()) return std::nullopt;
    reading = Reading{"ok", {}, {}, *at, *at, {}};
    for (const auto& element : *windows) {
      if (auto window = decodeWindow(element)) reading->windows.push_back(std::move(*window));
    }
  }
  if (reading->received_at < fromMs || reading->received_at > now * 1000) return std::nullopt;
  auto kept = sanitizeReading(*reading, now);
  if (!kept) return std::nullopt;
  return HistoryEntry{kept->received_at, std::move(kept->windows)};
}

// Calls `visit(line, entry)` for each complete line that decodes.
template <typename Visit>
void forEachLine(std::string_view text, EpochSeconds now, double fromMs, Visit visit) {
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    if (end == std::string_view::npos) return;  // torn by a kill during an append
    const std::string_view line = text.substr(0, end + 1);
    text.remove_prefix(end + 1);
    if (auto entry = decodeLine(line.substr(0, end), now, fromMs)) visit(line, std::move(*entry));
  }
}

void sortByTime(std::vector<HistoryEntry>& entries) {
  // Lines are appended in time order unless the clock was set back.
  if (!std::is_sorted(entries.begin(), entries.end(), [](auto& a, auto& b) { return a.at < b.at; }))
    std::stable_sort(entries.begin(), entries.end(), [](auto& a, auto& b) { return a.at < b.at; });
}

// Calls `visit(line, entry)` for the file's lines that decode, newest
// first, until it returns false; `line` has no line feed.
template <typename Visit>
void forEachLineBack(int fd, std::uintmax_t scanLimit, EpochSeconds now, double fromMs, Visit visit) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) return;
  Store::TailLines lines(fd, std::uintmax_t(info.st_size), maxLineBytes, scanLimit);
  while (const auto line = lines.previous()) {
    if (auto entry = decodeLine(*line, now, fromMs); entry && !visit(*line, std::move(*entry))) return;
  }
}

std::optional<HistoryEntry> newestOnFile(const std::filesystem::path& file, EpochSeconds now) {
  const Store::FileDescriptor fd = Store::openRegular(file);
  std::optional<HistoryEntry> newest;
  if (!fd.valid()) return newest;
  forEachLineBack(fd.get(), tailBytes, now, -std::numeric_limits<double>::infinity(),
                  [&](std::string_view, HistoryEntry entry) {
                    if (!newest || entry.at > newest->at) newest = std::move(entry);
                    return true;
                  });
  return newest;
}

// Rewrites the file with the lines a trim keeps; run under the file's lock.
void trim(int fd, const std::filesystem::path& file, EpochSeconds now) {
  std::vector<std::string> kept;  // newest first
  std::uintmax_t bytes = 0;
  forEachLineBack(fd, maxScanBytes, now, now * 1000 - keepMs,
                  [&](std::string_view line, const HistoryEntry&) {
                    if (bytes + line.size() + 1 > trimToBytes) return false;
                    bytes += line.size() + 1;
                    kept.emplace_back(line);
                    return true;
                  });
  std::string out;
  out.reserve(static_cast<std::size_t>(bytes));
  for (auto line = kept.rbegin(); line != kept.rend(); ++line) out.append(*line).push_back('\n');
  Store::writeAtomically(file, out);
}

// The file, locked, and still the one at the path: another copy's trim may
// have put a new file in place while this one waited, and a line added to
// the old one would be lost.
Store::WritableFile openLocked(const std::filesystem::path& file, Appended& result,
                               const std::function<bool()>& keepWaiting) {
  for (int replaced = 0; replaced < lockAttempts; ++replaced) {
    Store::WritableFile opened = Store::openOrReplace(file, O_RDWR | O_APPEND);
    result.wasNotAFile = result.wasNotAFile || opened.wasNotAFile;
    if (!opened.fd.valid()) return opened;
    while (::flock(opened.fd.get(), LOCK_EX | LOCK_NB) != 0) {
      // A file system without locks (some network ones) still gets the line,
      // unguarded: a lost trim race is rarer than a history never recorded.
      if (errno != EWOULDBLOCK && errno != EINTR) return opened;
      if (!keepWaiting()) {
        result.lockedElsewhere = true;
        return {};
      }
    }
    if (Store::stillAtPath(opened.fd.get(), file)) return opened;
  }
  return {};
}

}  // namespace

HistoryEntry entryOf(const Reading& ok) {
  return {ok.received_at, ok.windows};
}

std::optional<std::string> encodeLine(const HistoryEntry& entry) {
  json windows = json::array();
  for (const auto& window : entry.windows) windows.push_back(encodeWindow(window));
  auto line = Store::encodeCompactJSON(json{{"received_at", entry.at}, {"windows", std::move(windows)}});
  if (!line) return std::nullopt;
  return *line + "\n";
}

std::vector<HistoryEntry> decode(std::string_view text, EpochSeconds now, double fromMs) {
  std::vector<HistoryEntry> entries;
  forEachLine(text, now, fromMs,
              [&](std::string_view, HistoryEntry entry) { entries.push_back(std::move(entry)); });
  sortByTime(entries);
  return entries;
}

std::vector<HistoryEntry> load(const std::filesystem::path& file, EpochSeconds now, double fromMs) {
  const Store::FileDescriptor fd = Store::openRegular(file);
  std::vector<HistoryEntry> entries;
  if (!fd.valid()) return entries;
  std::uintmax_t bytes = 0;
  forEachLineBack(fd.get(), maxScanBytes, now, fromMs, [&](std::string_view line, HistoryEntry entry) {
    bytes += line.size() + 1;
    entries.push_back(std::move(entry));
    return bytes < trimAtBytes;
  });
  std::reverse(entries.begin(), entries.end());
  sortByTime(entries);
  return entries;
}

bool worthRecording(const std::optional<HistoryEntry>& last, const HistoryEntry& next) {
  if (!last || last->windows != next.windows) return true;
  return std::abs(next.at - last->at) >= heartbeatMs;
}

Appended append(const std::filesystem::path& file, std::string_view line, EpochSeconds now,
                const std::function<bool()>& keepWaiting) {
  Appended result;
  int waits = 0;
  const Store::WritableFile locked = openLocked(file, result, [&] {
    if (keepWaiting) return keepWaiting();
    std::this_thread::sleep_for(lockPause);
    return ++waits < lockAttempts;
  });
  const int fd = locked.fd.get();
  struct stat info {};
  if (!locked.fd.valid() || ::fstat(fd, &info) != 0) return result;
  // After a torn line the new one starts on a line of its own, or both
  // would be lost.
  char lastByte = '\n';
  if (info.st_size > 0 && ::pread(fd, &lastByte, 1, info.st_size - 1) != 1) lastByte = '\n';
  result.written = Store::writeAll(fd, lastByte == '\n' ? std::string(line) : "\n" + std::string(line));
  if (result.written && ::fstat(fd, &info) == 0 && std::uintmax_t(info.st_size) > trimAtBytes)
    trim(fd, file, now);
  return result;
}

Recorder::~Recorder() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (writer_.joinable()) writer_.join();
}

void Recorder::record(const Reading& ok, EpochSeconds now) {
  if (!primed_) {
    last_ = newestOnFile(file_, now);
    primed_ = true;
  }
  HistoryEntry entry = entryOf(ok);
  if (!worthRecording(last_, entry)) return;
  auto line = encodeLine(entry);
  if (!line) return;
  last_ = std::move(entry);
  {
    const std::lock_guard lock(mutex_);
    if (queue_.size() >= maxQueuedLines) return;
    queue_.push_back({std::move(*line), now});
  }
  if (!writer_.joinable()) writer_ = std::thread([this] { writeQueued(); });
  wake_.notify_all();
}

void Recorder::writeQueued() {
  bool reportedNotAFile = false;
  std::size_t given = 0;
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (queue_.empty()) break;
    const Queued next = queue_.front();
    lock.unlock();
    const Appended appended = append(file_, next.line, next.now, [this] {
      std::unique_lock waiting(mutex_);
      return !wake_.wait_for(waiting, recorderRetry, [this] { return stopping_; });
    });
    if (appended.wasNotAFile && !reportedNotAFile) {
      reportedNotAFile = true;
      log(appended.written
              ? "history: " + file_.string() + " was not a file; replaced it"
              : "history: " + file_.string() + " is not a file and cannot be replaced; not recording");
    }
    given += appended.lockedElsewhere ? 1 : 0;
    lock.lock();
    queue_.pop_front();
  }
  if (given > 0)
    log("history: " + std::to_string(given) + " lines not written: another process held " + file_.string());
}

}  // namespace History
