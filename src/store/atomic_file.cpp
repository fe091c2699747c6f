#include "store/atomic_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <system_error>

#include <nlohmann/json.hpp>

#include "store/file_bytes.hpp"
#include "store/file_descriptor.hpp"
#include "store/temporary_name.hpp"
#include "store/temporary_sweep.hpp"

namespace {

namespace fs = std::filesystem;
using Store::FileDescriptor;

// A fresh name next to the target, unique across threads and processes. The
// file is made with open(O_EXCL, 0666) rather than mkstemp so the umask gives
// the replacement the same permissions an ordinary new file would have.
std::string freshTemporaryName(const fs::path& target) {
  static std::atomic<unsigned> serial{0};
  thread_local std::mt19937 random{std::random_device{}()};
  return Store::temporaryName(target.filename().string(), ::getpid(), serial.fetch_add(1),
                              static_cast<unsigned>(random()));
}

// The rename is only durable once the folder entry itself reaches the disk.
void syncFolder(const fs::path& folder) {
  FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.valid()) ::fsync(dir.get());
}

// Whole numbers are written without a fraction (1760421600000, not
// 1760421600000.0), as other JSON writers do; they read back as the same
// double. NaN and the infinities have no JSON form (nlohmann would write
// null, which reads back as something else), so they make the value
// unencodable.
bool makePortable(nlohmann::json& value) {
  if (value.is_number_float()) {
    const double x = value.get<double>();
    if (!std::isfinite(x)) return false;
    constexpr double exactLimit = 9007199254740992.0;  // 2^53
    const bool negativeZero = x == 0 && std::signbit(x);
    if (x == std::trunc(x) && std::fabs(x) <= exactLimit && !negativeZero) {
      value = static_cast<std::int64_t>(x);
    }
    return true;
  }
  if (value.is_structured()) {
    for (auto& element : value) {
      if (!makePortable(element)) return false;
    }
  }
  return true;
}

}  // namespace

namespace Store {

bool writeAtomically(const std::filesystem::path& path, std::string_view bytes) {
  if (path.filename().empty()) return false;
  const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
  std::error_code ec;
  fs::create_directories(folder, ec);

  fs::path temporary;
  std::optional<TemporaryInFlight> inFlight;
  int fd = -1;
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
    const std::string name = freshTemporaryName(path);
    // Marked before it exists, so no sweep can see it unmarked.
    inFlight.emplace(name);
    temporary = folder / name;
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return false;
  }
  FileDescriptor file(fd);
  if (!file.valid()) return false;

  // Before the write, so that space held by leftovers is free for it.
  struct stat created {};
  if (::fstat(file.get(), &created) == 0)
    sweepStaleTemporaries(folder, path.filename().string(), created.st_mtim.tv_sec);

  const bool written = writeAll(file.get(), bytes) && ::fsync(file.get()) == 0 && file.close();
  if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
    file.close();
    ::unlink(temporary.c_str());
    return false;
  }
  syncFolder(folder);
  return true;
}

std::optional<std::string> encodeJSON(const nlohmann::json& value) {
  nlohmann::json portable = value;
  if (!makePortable(portable)) return std::nullopt;
  // Replacing invalid UTF-8 keeps dump() from throwing; strings that came
  // through the parser are valid already.
  return portable.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

std::optional<std::string> encodeCompactJSON(const nlohmann::json& value) {
  nlohmann::json portable = value;
  if (!makePortable(portable)) return std::nullopt;
  return portable.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

bool writeJSONAtomically(const std::filesystem::path& path, const nlohmann::json& value) {
  const auto bytes = encodeJSON(value);
  return bytes && writeAtomically(path, *bytes);
}

}  // namespace Store
