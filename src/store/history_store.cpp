#include "store/history_store.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>

#include <nlohmann/json.hpp>

#include "readings/json_access.hpp"
#include "readings/stored_reading.hpp"
#include "store/atomic_file.hpp"
#include "store/file_bytes.hpp"

namespace History {

namespace {

using nlohmann::json;

// Far beyond anything trimming lets the file reach; larger is damage.
constexpr std::uintmax_t maxReadBytes = 64u << 20;
// The newest line is somewhere in the last few kilobytes.
constexpr std::streamoff tailBytes = 16384;

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

std::optional<HistoryEntry> decodeLine(std::string_view line, Date now, double fromMs) {
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
void forEachLine(std::string_view text, Date now, double fromMs, Visit visit) {
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

std::optional<HistoryEntry> newestOnFile(const std::filesystem::path& file, Date now) {
  std::ifstream in(file, std::ios::binary | std::ios::ate);
  if (!in) return std::nullopt;
  const std::streamoff size = in.tellg();
  const std::streamoff from = std::max<std::streamoff>(0, size - tailBytes);
  in.seekg(from);
  std::string tail(static_cast<std::size_t>(size - from), '\0');
  in.read(tail.data(), static_cast<std::streamsize>(tail.size()));
  std::string_view text(tail.data(), static_cast<std::size_t>(in.gcount()));
  // Starting mid-file, the first piece is part of a line.
  if (from > 0) text.remove_prefix(std::min(text.size(), text.find('\n') + 1));
  std::optional<HistoryEntry> newest;
  forEachLine(text, now, -std::numeric_limits<double>::infinity(), [&](std::string_view, HistoryEntry entry) {
    if (!newest || entry.at >= newest->at) newest = std::move(entry);
  });
  return newest;
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

std::vector<HistoryEntry> decode(std::string_view text, Date now, double fromMs) {
  std::vector<HistoryEntry> entries;
  forEachLine(text, now, fromMs,
              [&](std::string_view, HistoryEntry entry) { entries.push_back(std::move(entry)); });
  sortByTime(entries);
  return entries;
}

std::vector<HistoryEntry> load(const std::filesystem::path& file, Date now, double fromMs) {
  const auto bytes = Store::readFile(file, maxReadBytes);
  if (!bytes) return {};
  return decode(*bytes, now, fromMs);
}

bool worthRecording(const std::optional<HistoryEntry>& last, const HistoryEntry& next) {
  if (!last || last->windows != next.windows) return true;
  return std::abs(next.at - last->at) >= heartbeatMs;
}

std::string trimmed(std::string_view text, Date now) {
  std::vector<std::string_view> kept;
  std::uintmax_t bytes = 0;
  forEachLine(text, now, now * 1000 - keepMs, [&](std::string_view line, const HistoryEntry&) {
    kept.push_back(line);
    bytes += line.size();
  });
  std::size_t first = 0;
  while (bytes > trimToBytes) bytes -= kept[first++].size();
  std::string out;
  out.reserve(static_cast<std::size_t>(bytes));
  for (std::size_t i = first; i < kept.size(); ++i) out += kept[i];
  return out;
}

bool append(const std::filesystem::path& file, std::string_view line, Date now) {
  std::error_code ec;
  if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ec);
  const int fd = ::open(file.c_str(), O_RDWR | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  struct stat info {};
  const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  // After a torn line the new one starts on a line of its own, or both
  // would be lost.
  char lastByte = '\n';
  if (regular && info.st_size > 0 && ::pread(fd, &lastByte, 1, info.st_size - 1) != 1) lastByte = '\n';
  const bool written =
      regular && Store::writeAll(fd, lastByte == '\n' ? std::string(line) : "\n" + std::string(line));
  const bool overgrown = written && ::fstat(fd, &info) == 0 && std::uintmax_t(info.st_size) > trimAtBytes;
  ::close(fd);
  if (overgrown) {
    if (const auto bytes = Store::readFile(file, maxReadBytes))
      Store::writeAtomically(file, trimmed(*bytes, now));
  }
  return written;
}

void Recorder::record(const Reading& ok, Date now) {
  if (!primed_) {
    last_ = newestOnFile(file_, now);
    primed_ = true;
  }
  HistoryEntry entry = entryOf(ok);
  if (!worthRecording(last_, entry)) return;
  const auto line = encodeLine(entry);
  if (!line || !append(file_, *line, now)) return;
  last_ = std::move(entry);
}

}  // namespace History
