#include "monitor/data_folder.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

#include "display/phrases.hpp"

namespace fs = std::filesystem;

std::optional<std::string> dataFolderProblem(const fs::path& folder) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (!fs::is_directory(folder))
    return folder.string() + " is not a usable folder" + (ec ? ": " + ec.message() : std::string());
  std::string probe = (folder / ".write-check-XXXXXX").string();
  const int fd = ::mkstemp(probe.data());
  if (fd < 0) {
    const int error = errno;
    return "cannot write in " + folder.string() + ": " + std::generic_category().message(error);
  }
  ::close(fd);
  ::unlink(probe.c_str());
  return std::nullopt;
}

void noteUnsavedReadings(Shown& shown) {
  if (shown.status && shown.phase != "waiting_first" && shown.phase != "stale") return;
  shown.status = unsavedReadingsNote();
}
