#include "updater/safe_extract.hpp"

#include <archive.h>
#include <archive_entry.h>

#include <memory>
#include <system_error>
#include <vector>

#include "store/regular_file.hpp"

namespace Updater {

namespace {

using Parts = std::vector<std::string_view>;

// The components of a relative path, "." and empty ones dropped; absent when
// the path is absolute or would climb above where it starts.
std::optional<Parts> relativeParts(std::string_view path, Parts base = {}) {
  if (path.starts_with('/')) return std::nullopt;
  while (!path.empty()) {
    const auto slash = path.find('/');
    const auto part = path.substr(0, slash);
    if (part == "..") {
      if (base.empty()) return std::nullopt;
      base.pop_back();
    } else if (!part.empty() && part != ".") {
      base.push_back(part);
    }
    if (slash == std::string_view::npos) break;
    path.remove_prefix(slash + 1);
  }
  return base;
}

std::filesystem::path joined(const Parts& parts) {
  std::filesystem::path out;
  for (auto part : parts) out /= std::filesystem::path(std::string(part));
  return out;
}

bool hasDotDot(std::string_view path) {
  while (true) {
    const auto slash = path.find('/');
    if (path.substr(0, slash) == "..") return true;
    if (slash == std::string_view::npos) return false;
    path.remove_prefix(slash + 1);
  }
}

EntryKind kindOf(archive_entry* entry) {
  switch (archive_entry_filetype(entry)) {
    case AE_IFREG:
      return EntryKind::file;
    case AE_IFDIR:
      return EntryKind::directory;
    case AE_IFLNK:
      return EntryKind::symlink;
    default:
      return EntryKind::other;
  }
}

std::string_view textOrEmpty(const char* s) {
  return s == nullptr ? std::string_view() : std::string_view(s);
}

// The reader reads the archive through a descriptor it owns from then on.
struct ReadCloser {
  int fd = -1;
  void operator()(archive* a) const {
    archive_read_free(a);
    Store::FileDescriptor closed(fd);
  }
};
struct WriteCloser {
  void operator()(archive* a) const { archive_write_free(a); }
};
using Reader = std::unique_ptr<archive, ReadCloser>;
using Writer = std::unique_ptr<archive, WriteCloser>;

// Only a regular file is read: a pipe put in the download's place would hold
// the worker for good.
Reader openZip(const std::filesystem::path& file) {
  Store::FileDescriptor fd = Store::openRegular(file);
  archive* opened = fd.valid() ? archive_read_new() : nullptr;
  if (opened == nullptr) return nullptr;
  Reader reader(opened, ReadCloser{fd.release()});
  // Entries come from the central directory, so passing over one never
  // means inflating it: the first pass stays quick whatever the archive holds.
  archive_read_support_format_zip_seekable(reader.get());
  if (archive_read_open_fd(reader.get(), reader.get_deleter().fd, 64 * 1024) != ARCHIVE_OK) return nullptr;
  return reader;
}

// The destination of the entry the reader stands on, or absent when refused.
std::optional<std::filesystem::path> destinationOf(archive_entry* entry) {
  const char* name = archive_entry_pathname(entry);
  if (name == nullptr) return std::nullopt;
  return entryDestination(name, kindOf(entry), textOrEmpty(archive_entry_symlink(entry)),
                          textOrEmpty(archive_entry_hardlink(entry)));
}

// Caps the number of entries so that a crafted archive cannot keep the
// worker busy with millions of empty ones.
constexpr int maxEntries = 200000;

// Also refuses an archive whose declared sizes already exceed maxBytes; the
// writing pass counts what really comes out.
bool allEntriesAllowed(const std::filesystem::path& file, std::uintmax_t maxBytes,
                       const std::function<bool()>& stop) {
  Reader reader = openZip(file);
  if (!reader) return false;
  archive_entry* entry = nullptr;
  int count = 0;
  std::uintmax_t declared = 0;
  int status = ARCHIVE_OK;
  while ((status = archive_read_next_header(reader.get(), &entry)) == ARCHIVE_OK) {
    if (++count > maxEntries || !destinationOf(entry) || stop()) return false;
    if (archive_entry_size_is_set(entry) != 0 && archive_entry_size(entry) > 0) {
      declared += std::uintmax_t(archive_entry_size(entry));
      if (declared > maxBytes) return false;
    }
  }
  return status == ARCHIVE_EOF;
}

bool copyData(archive* reader, archive* writer, std::uintmax_t& budget, const std::function<bool()>& stop) {
  const void* block = nullptr;
  size_t size = 0;
  la_int64_t offset = 0;
  while (true) {
    const int status = archive_read_data_block(reader, &block, &size, &offset);
    if (status == ARCHIVE_EOF) return true;
    if (status != ARCHIVE_OK || size > budget || stop()) return false;
    budget -= size;
    if (archive_write_data_block(writer, block, size, offset) != ARCHIVE_OK) return false;
  }
}

bool linksStayInside(const std::filesystem::path& folder) {
  std::error_code ec;
  std::filesystem::recursive_directory_iterator it(folder, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    if (!it->is_symlink(ec)) continue;
    const auto resolved = std::filesystem::weakly_canonical(it->path(), ec);
    if (ec) return false;
    const auto rel = resolved.lexically_relative(folder);
    if (rel.empty() || *rel.begin() == "..") return false;
  }
  return !ec;
}

}  // namespace

std::optional<std::filesystem::path> entryDestination(std::string_view name, EntryKind kind,
                                                      std::string_view symlinkTarget,
                                                      std::string_view hardlink) {
  if (kind == EntryKind::other || hasDotDot(name)) return std::nullopt;
  const auto parts = relativeParts(name);
  if (!parts) return std::nullopt;
  if (kind == EntryKind::symlink) {
    if (symlinkTarget.empty() || parts->empty()) return std::nullopt;
    // Resolved from the folder that holds the link.
    if (!relativeParts(symlinkTarget, Parts(parts->begin(), parts->end() - 1))) return std::nullopt;
  }
  if (!hardlink.empty() && (hasDotDot(hardlink) || !relativeParts(hardlink))) return std::nullopt;
  return joined(*parts);
}

bool extractArchive(const std::filesystem::path& archiveFile, const std::filesystem::path& folder,
                    std::uintmax_t maxBytes, const std::function<bool()>& stop) {
  std::error_code ec;
  // Writes refuse to pass through any symlink, so the folder's own path
  // must not contain one.
  const auto root = std::filesystem::canonical(folder, ec);
  if (ec || !allEntriesAllowed(archiveFile, maxBytes, stop)) return false;

  Reader reader = openZip(archiveFile);
  Writer writer(archive_write_disk_new());
  if (!reader || !writer) return false;
  archive_write_disk_set_options(
      writer.get(), ARCHIVE_EXTRACT_TIME | ARCHIVE_EXTRACT_SECURE_SYMLINKS | ARCHIVE_EXTRACT_SECURE_NODOTDOT);
  archive_entry* entry = nullptr;
  std::uintmax_t budget = maxBytes;
  int status = ARCHIVE_OK;
  while ((status = archive_read_next_header(reader.get(), &entry)) == ARCHIVE_OK) {
    const auto destination = destinationOf(entry);
    if (!destination || stop()) return false;
    if (destination->empty()) continue;
    archive_entry_set_pathname(entry, (root / *destination).c_str());
    if (const char* link = archive_entry_hardlink(entry)) {
      archive_entry_set_hardlink(entry, (root / joined(*relativeParts(link))).c_str());
    }
    // Set-id bits from a download have no business on disk.
    archive_entry_set_perm(entry, archive_entry_perm(entry) & 0777);
    if (archive_write_header(writer.get(), entry) != ARCHIVE_OK) return false;
    if (kindOf(entry) == EntryKind::file && !copyData(reader.get(), writer.get(), budget, stop)) return false;
    if (archive_write_finish_entry(writer.get()) != ARCHIVE_OK) return false;
  }
  if (status != ARCHIVE_EOF || archive_write_close(writer.get()) != ARCHIVE_OK) return false;
  return linksStayInside(root);
}

}  // namespace Updater
