#pragma once
// history.jsonl: one compact line per recorded "ok" reading (the time it was
// received and each window's numbers), so the chart and `--history` can show
// how the numbers got where they are. Only numbers are kept: no plan, no
// error text.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <limits>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "readings/reading.hpp"

struct HistoryEntry {
  double at = 0;  // received_at, epoch ms
  std::vector<UsageWindow> windows;

  bool operator==(const HistoryEntry&) const = default;
};

namespace History {

// Unchanged numbers are still written this often, so a gap in the file means
// "no data" rather than "no change".
inline constexpr double heartbeatMs = 600000;
// Past this size the file is rewritten without what is older than keepMs; a
// load reads no more than this of the newest lines.
inline constexpr std::uintmax_t trimAtBytes = 2u << 20;
inline constexpr double keepMs = 40 * 86400000.0;
// A trim that leaves more than this also drops the oldest lines down to it,
// so the file stays under trimAtBytes and is not rewritten on every burst.
inline constexpr std::uintmax_t trimToBytes = trimAtBytes / 4 * 3;

// The line for an "ok" reading, with its line feed; absent when a number is
// not finite.
std::optional<std::string> encodeLine(const HistoryEntry& entry);
HistoryEntry entryOf(const Reading& ok);

// Every complete line that parses, at or after `fromMs` and not after `now`,
// with its windows passed through the reading sanitiser, oldest first. A
// torn last line, bad lines and bad windows are skipped.
std::vector<HistoryEntry> decode(std::string_view text, EpochSeconds now,
                                 double fromMs = -std::numeric_limits<double>::infinity());
// The same for the file, read from its end: the newest lines up to
// trimAtBytes of them, however large the file. Overlong lines are skipped;
// a link, a folder or a pipe at the path reads as no history.
std::vector<HistoryEntry> load(const std::filesystem::path& file, EpochSeconds now,
                               double fromMs = -std::numeric_limits<double>::infinity());

// Whether `next` earns a line after `last`, the newest line on file: its
// numbers differ, or a heartbeat is due (either way, so a clock set back
// does not silence the file until it catches up).
bool worthRecording(const std::optional<HistoryEntry>& last, const HistoryEntry& next);

struct Appended {
  bool written = false;
  // A link, a pipe or a folder was at the path; it is replaced by a file
  // unless it is a folder with something in it.
  bool wasNotAFile = false;
  // Another process held the file's lock for as long as the caller waited.
  bool lockedElsewhere = false;
  explicit operator bool() const { return written; }
};

// Appends one line, creating the file and its folder, never through a link;
// no fsync: a lost last line costs one point of the chart. When the file then
// passes trimAtBytes it is rewritten with the lines decode keeps that are not
// older than keepMs, and of those only the newest that fit in trimToBytes.
// Append and trim hold the file's flock, so copies sharing a data folder
// lose no line to each other's trims. While another process holds it,
// `keepWaiting` is asked between tries, and the line is given up once it
// answers false; without it the wait is two seconds at most.
Appended append(const std::filesystem::path& file, std::string_view line, EpochSeconds now,
                const std::function<bool()>& keepWaiting = nullptr);

// The controller's writer: remembers the newest line so each burst costs one
// comparison, and one append when the numbers changed or a heartbeat is due.
// The caller never waits for the file: its lines are appended in order by a
// thread of the recorder's own, which keeps each one while another process
// holds the lock. What still waits when the recorder goes is tried once more.
class Recorder {
 public:
  explicit Recorder(std::filesystem::path file) : file_(std::move(file)) {}
  ~Recorder();
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  void record(const Reading& ok, EpochSeconds now);

 private:
  struct Queued {
    std::string line;
    EpochSeconds now;
  };
  void writeQueued();

  std::filesystem::path file_;
  std::optional<HistoryEntry> last_;
  bool primed_ = false;
  // Shared with the writer thread, under mutex_.
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Queued> queue_;
  bool stopping_ = false;
  std::thread writer_;
};

}  // namespace History
