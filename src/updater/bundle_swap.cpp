#include "updater/bundle_swap.hpp"

#include <fcntl.h>

#include <cerrno>
#include <cstdio>
#include <string_view>

#include "updater/install_steps.hpp"

namespace Updater {

namespace {

namespace fs = std::filesystem;

// In the work folder, under the name the swap script looks for when this
// process ends without a bundle at the target.
bool replaceByRenames(const fs::path& target, const fs::path& incoming) {
  const fs::path aside = incoming.parent_path() / "Quotalume.app.old";
  if (std::rename(target.c_str(), aside.c_str()) != 0) return false;
  if (std::rename(incoming.c_str(), target.c_str()) == 0) return true;
  std::rename(aside.c_str(), target.c_str());
  return false;
}

}  // namespace

bool swapBundles(const fs::path& target, const fs::path& incoming) {
  // A link would make the swap move the link and leave the bundle it names.
  if (!realFolder(target) || !realFolder(incoming)) return false;
  if (::renameat2(AT_FDCWD, target.c_str(), AT_FDCWD, incoming.c_str(), RENAME_EXCHANGE) == 0) return true;
  // EINVAL: the file system has no exchange; ENOSYS: the kernel predates it.
  if (errno == EINVAL || errno == ENOSYS) return replaceByRenames(target, incoming);
  return false;
}

std::optional<int> runSwapOption(int argc, char** argv) {
  if (argc != 4 || std::string_view(argv[1]) != "--swap-bundles") return std::nullopt;
  return swapBundles(argv[2], argv[3]) ? 0 : 1;
}

}  // namespace Updater
