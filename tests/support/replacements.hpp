#pragma once
// Counts the files the store puts in place by rename, as it replaces
// last.json or state.json, so that a test can count saves without a hook in
// the code. The temporaries' creations are watched too: the kernel merges
// identical events that follow each other unread.

#include <sys/inotify.h>
#include <unistd.h>

#include <filesystem>
#include <string_view>

struct Replacements {
  const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  explicit Replacements(const std::filesystem::path& folder) {
    inotify_add_watch(fd, folder.c_str(), IN_CREATE | IN_MOVED_TO);
  }
  Replacements(const Replacements&) = delete;
  ~Replacements() { ::close(fd); }

  int count(std::string_view name) const {
    int seen = 0;
    alignas(inotify_event) char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) {
      for (char* p = buffer; p < buffer + n;
           p += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(p)->len) {
        const auto* event = reinterpret_cast<const inotify_event*>(p);
        seen += (event->mask & IN_MOVED_TO) && event->len > 0 && name == event->name;
      }
    }
    return seen;
  }
};
