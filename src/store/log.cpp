#include "store/log.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <mutex>
#include <string>
#include <system_error>

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
// points to, and never a folder or a pipe. Such a thing is removed and a
// fresh file made, as for a missing log. Creating with O_APPEND rather than
// writing a new file whole keeps two processes that start at once from
// replacing each other's first line.
int openLog(const fs::path& file) {
  std::error_code ec;
  for (int attempt = 0; attempt < 3; ++attempt) {
    const int fd =
        ::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0 && errno == ENOENT) {
      fs::create_directories(file.parent_path(), ec);
      continue;
    }
    struct stat st {};
    if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) return fd;
    if (fd >= 0) ::close(fd);
    // Not emptied first: a folder with something in it stays, and the line is lost.
    if (!fs::remove(file, ec)) return -1;
  }
  return -1;
}

void append(const fs::path& file, std::string_view line) {
  const int fd = openLog(file);
  if (fd < 0) return;
  while (!line.empty()) {
    const ssize_t written = ::write(fd, line.data(), line.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      break;
    }
    line.remove_prefix(static_cast<std::size_t>(written));
  }
  ::close(fd);
}

}  // namespace

namespace Store {

void appendLogLine(const fs::path& file, std::string_view message, Date now, std::uintmax_t rotateAt) {
  const std::string line = isoTimeStamp(now) + " " + oneLine(message) + "\n";
  const std::lock_guard lock(logMutex());
  rotateIfFull(file, rotateAt);
  append(file, line);
}

}  // namespace Store

void log(std::string_view message) {
  if (!logEnabled.load()) return;
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  Store::appendLogLine(logURL(), message, std::chrono::duration<double>(now).count());
}
