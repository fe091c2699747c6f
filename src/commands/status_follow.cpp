#include "commands/status_follow.hpp"

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "display/phrase_clock.hpp"
#include "display/shown.hpp"
#include "store/file_bytes.hpp"
#include "store/reading_store.hpp"
#include "store/settings_file.hpp"

namespace {

namespace fs = std::filesystem;

// Without a folder or a parent to watch (neither made yet), a slow look is the fallback.
constexpr int retryWatchMs = 60000;
// A bound on any sleep, against a clock set forward while asleep.
constexpr int longestSleepMs = 3600000;
// Waking a little after a minute mark, so the phrase has surely turned.
constexpr double markSlack = 0.01;

// Watches the data folder for the readings file, and the folder's parent for
// the folder itself being made, removed, renamed or replaced by a link: a
// watch follows the inode it was put on, not the path.
class Watch {
 public:
  explicit Watch(fs::path folder)
      : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)),
        folder_(std::move(folder)),
        folderName_(folder_.filename().string()) {}
  Watch(const Watch&) = delete;
  Watch& operator=(const Watch&) = delete;
  ~Watch() {
    if (fd_ >= 0) ::close(fd_);
  }
  int fd() const { return fd_; }
  bool watching() const { return folderWatch_ >= 0 || parentWatch_ >= 0; }

  void watch() {
    if (fd_ < 0) return;
    if (parentWatch_ < 0)
      parentWatch_ = ::inotify_add_watch(fd_, folder_.parent_path().c_str(),
                                         IN_CREATE | IN_MOVED_TO | IN_DELETE | IN_MOVED_FROM | IN_ONLYDIR);
    // A save renames its temporary over the file; other writers close it.
    if (folderWatch_ < 0)
      folderWatch_ = ::inotify_add_watch(fd_, folder_.c_str(),
                                         IN_MOVED_TO | IN_CLOSE_WRITE | IN_DELETE | IN_MOVED_FROM |
                                             IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR);
  }

  // Drains the queue; true when the file called `name` changed, or the
  // folder itself did (then its watch is dropped, to be put on whatever
  // stands at the path now).
  bool changed(const std::string& name) {
    alignas(inotify_event) char buffer[4096];
    bool changed = false;
    for (;;) {
      const ssize_t got = ::read(fd_, buffer, sizeof buffer);
      if (got <= 0) return changed;
      for (ssize_t at = 0; at < got;) {
        inotify_event event;
        std::memcpy(&event, buffer + at, sizeof event);
        const std::string_view entry = event.len > 0 ? buffer + at + sizeof event : "";
        if (event.wd == folderWatch_) {
          if (event.mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF)) {
            dropFolderWatch();
            changed = true;
          } else if (entry == name) {
            changed = true;
          }
        } else if (event.wd == parentWatch_) {
          if (event.mask & IN_IGNORED) {
            parentWatch_ = -1;
          } else if (entry == folderName_) {
            dropFolderWatch();
            changed = true;
          }
        }
        at += static_cast<ssize_t>(sizeof event + event.len);
      }
    }
  }

 private:
  void dropFolderWatch() {
    // A folder moved away keeps its watch; its files are no longer ours.
    if (folderWatch_ >= 0) ::inotify_rm_watch(fd_, folderWatch_);
    folderWatch_ = -1;
  }

  int fd_;
  fs::path folder_;
  std::string folderName_;
  int folderWatch_ = -1, parentWatch_ = -1;
};

}  // namespace

std::string statusText(StatusFormat format, const Saved& saved, TrayWindow choice, EpochSeconds now) {
  // The running app writes last.json whenever it accepts a reading, so the
  // file's age alone tells fresh from stale; the listener is not ours to know,
  // and "starting" is the one state that claims nothing about it.
  const Shown shown = buildShown(saved, true, ListenState::starting(), now);
  return statusOutput(format, shown, glanceOf(shown, choice), saved, now);
}

TrayWindow shownWindow(const StatusOptions& options, const StatusFiles& files) {
  if (options.window) return *options.window;
  return trayWindowOr(Settings::read(files.settings, Settings::trayWindowKey));
}

int followStatus(const StatusOptions& options, const StatusFiles& files, int outFd,
                 const std::function<EpochSeconds()>& clock) {
  // A bar that goes away must end this process through a failed write, not
  // a signal that a shell might report.
  std::signal(SIGPIPE, SIG_IGN);
  Watch watch(files.last.parent_path());
  const std::string name = files.last.filename().string();
  // A choice made in the tray's menu shows at once; --window fixes it.
  std::optional<Watch> settingsWatch;
  if (!options.window) settingsWatch.emplace(files.settings.parent_path());
  const std::string settingsName = files.settings.filename().string();
  std::string printed;
  bool first = true;
  for (;;) {
    watch.watch();
    if (settingsWatch) settingsWatch->watch();
    const EpochSeconds now = clock();
    const Saved saved = Store::load(files.last, now);
    const std::string text = statusText(options.format, saved, shownWindow(options, files), now);
    if (first || text != printed) {
      if (!Store::writeAll(outFd, text)) return 0;
      printed = text;
      first = false;
    }
    const bool watching = watch.watching() && (!settingsWatch || settingsWatch->watching());
    int timeout = watching ? longestSleepMs : retryWatchMs;
    if (const auto mark = nextPhraseChange(saved, now))
      timeout = int(std::clamp((*mark - now + markSlack) * 1000, 0.0, double(timeout)));
    const EpochSeconds wakeAt = now + timeout / 1000.0;

    // A negative descriptor is skipped by poll.
    pollfd fds[3] = {
        {outFd, 0, 0}, {watch.fd(), POLLIN, 0}, {settingsWatch ? settingsWatch->fd() : -1, POLLIN, 0}};
    for (;;) {
      const int ready = ::poll(fds, 3, timeout);
      if (ready < 0 && errno == EINTR) continue;
      if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) return 0;
      // Other files in the folders (the log, the history) change too; they
      // wake this loop but cost no output.
      const bool readings = (fds[1].revents & POLLIN) && (watch.changed(name) || !watch.watching());
      const bool choice = (fds[2].revents & POLLIN) && settingsWatch->changed(settingsName);
      if (ready > 0 && !readings && !choice) {
        timeout = std::max(0, int((wakeAt - clock()) * 1000));
        if (timeout > 0) continue;
      }
      break;
    }
  }
}
