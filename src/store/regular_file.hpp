#pragma once
// Opening the files the app reads and appends to without ever waiting on
// what sits at their place: a FIFO, a device or a folder is refused at once
// (O_NONBLOCK, then fstat), and a symlink is not followed unless asked.

#include <sys/types.h>

#include <filesystem>

#include "store/file_descriptor.hpp"

namespace Store {

// The app's own files are never read through a link someone planted; the
// desktop's files (settings.ini, mimeapps.list) are often links into a
// dotfiles folder and are followed.
enum class Links { refuse, follow };

// A read-only descriptor on the regular file at `path`; invalid when the path
// is missing, is not a regular file, or is a link and links are refused.
FileDescriptor openRegular(const std::filesystem::path& path, Links links = Links::refuse);

// True when nothing is at `path` or a regular file is: what a reader that
// opens the file by name itself (QSettings) can be handed without hanging.
bool absentOrRegular(const std::filesystem::path& path, Links links = Links::refuse);

struct WritableFile {
  FileDescriptor fd;
  // Something that was not a regular file (a link, a pipe, a folder) was in
  // the way, whether or not it could be replaced.
  bool wasNotAFile = false;
};

// Opens the regular file at `path` with `flags` (O_CREAT added), making it
// and its folder when missing. Whatever else is there is removed and a fresh
// file made; a folder that still holds something stays, and the descriptor is
// invalid. Never writes through a link.
WritableFile openOrReplace(const std::filesystem::path& path, int flags, mode_t mode = 0666);

// Whether `fd` is still the file at `path`: a lock taken on a file that was
// since renamed over or removed guards nothing.
bool stillAtPath(int fd, const std::filesystem::path& path);

}  // namespace Store
