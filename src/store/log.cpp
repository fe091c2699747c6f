#include "store/log.hpp"

#include <fcntl.h>

#include <chrono>
#include <mutex>
#include <string>
#include <system_error>

#include "store/file_bytes.hpp"
#include "store/process_paths.hpp"
#include "store/time_stamp.hpp"

namespace {

namespace fs = std::filesystem;

std::mutex& logMutex() {
  static std::mutex mutex;
  return mutex;
}

// A line feed inside a message would start a line that looks like an event of
// its own; messages can carry text from the network.
std::string oneLine(std::string_view message) {
  std::string line(message);
  for (char& c : line) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return line;
}

void rotateIfFull(const fs::path& file, std::uintmax_t rotateAt) {
  std::error_code ec;
  const std::uintmax_t size = fs::file_size(file, ec);
  if (ec || size < rotateAt) return;
  fs::path older = file;
  older += ".1";
  fs::remove(older, ec);
  fs::rename(file, older, ec);
}

// The log file itself, made when missing: never what a symlink at its place
// points to, and never a folder or a pipe, which are replaced like a missing
// log. Without O_APPEND two processes that start at once could each write a
// first line over the other's.
void append(const fs::path& file, std::string_view line) {
  const Store::WritableFile log = Store::openOrReplace(file, O_WRONLY | O_APPEND);
  if (log.fd.valid()) Store::writeAll(log.fd.get(), line);
}

}  // namespace

namespace Store {

void appendLogLine(const fs::path& file, std::string_view message, EpochSeconds now,
                   std::uintmax_t rotateAt) {
  const std::string line = isoTimeStamp(now) + " " + oneLine(message) + "\n";
  const std::lock_guard lock(logMutex());
  rotateIfFull(file, rotateAt);
  append(file, line);
}

}  // namespace Store

void log(std::string_view message) {
  if (!logEnabled.load()) return;
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  Store::appendLogLine(logPath(), message, std::chrono::duration<double>(now).count());
}
