#include "store/log.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <mutex>
#include <string>
#include <system_error>

#include "store/atomic_file.hpp"
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

// False only when the file does not exist.
bool append(const fs::path& file, std::string_view line) {
  const int fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  if (fd < 0) return errno != ENOENT;
  while (!line.empty()) {
    const ssize_t written = ::write(fd, line.data(), line.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      break;
    }
    line.remove_prefix(static_cast<std::size_t>(written));
  }
  ::close(fd);
  return true;
}

}  // namespace

namespace Store {

void appendLogLine(const fs::path& file, std::string_view message, Date now, std::uintmax_t rotateAt) {
  const std::string line = isoTimeStamp(now) + " " + oneLine(message) + "\n";
  const std::lock_guard lock(logMutex());
  rotateIfFull(file, rotateAt);
  if (append(file, line)) return;
  // The first line, or the first after a rotation. A log that exists but
  // cannot be opened is left alone: replacing it would throw its lines away.
  writeAtomically(file, line);
}

}  // namespace Store

void log(std::string_view message) {
  if (!logEnabled.load()) return;
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  Store::appendLogLine(logURL(), message, std::chrono::duration<double>(now).count());
}
