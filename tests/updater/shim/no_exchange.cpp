// Preloaded with QUOTALUME_SHIM set, it acts on the bundle swap's exchanger
// only (a process with --swap-bundles among its arguments): its file system
// refuses RENAME_EXCHANGE, as FUSE ones do, and with QUOTALUME_SHIM=die the
// process is killed between the two renames of its fallback (=fail: the second fails).
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

const char* const mode = std::getenv("QUOTALUME_SHIM");
const bool exchanger = [] {
  char args[4096];
  const int fd = ::open("/proc/self/cmdline", O_RDONLY | O_CLOEXEC);
  const ssize_t n = fd < 0 ? 0 : ::read(fd, args, sizeof args);
  return mode != nullptr &&
         std::string_view(args, std::size_t(std::max<ssize_t>(n, 0))).find("--swap-bundles") !=
             std::string_view::npos;
}();

}  // namespace

extern "C" int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned flags) noexcept {
  if (exchanger && (flags & RENAME_EXCHANGE) != 0) return errno = EINVAL, -1;
  static const auto real = reinterpret_cast<int (*)(int, const char*, int, const char*, unsigned)>(
      ::dlsym(RTLD_NEXT, "renameat2"));
  return real(fromDir, from, toDir, to, flags);
}

extern "C" int rename(const char* from, const char* to) noexcept {
  static int renames = 0;
  if (exchanger && ++renames == 2 && std::string_view(mode) == "die") ::raise(SIGKILL);
  if (exchanger && renames == 2 && std::string_view(mode) == "fail") return errno = EACCES, -1;
  static const auto real = reinterpret_cast<int (*)(const char*, const char*)>(::dlsym(RTLD_NEXT, "rename"));
  return real(from, to);
}
