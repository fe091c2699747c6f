#include "app/status_mode.hpp"

#include <unistd.h>

#include <chrono>
#include <ostream>

#include "app/command_line.hpp"
#include "app/status_follow.hpp"
#include "store/reading_store.hpp"

int runStatusMode(const std::vector<std::string>& args, const std::filesystem::path& dataFolder,
                  std::ostream& out, std::ostream& err) {
  const std::string name = valueAfter(args, "--format").value_or("text");
  const std::optional<StatusFormat> format = statusFormatNamed(name);
  if (!format) {
    err << "quotalume: unknown --format \"" << name << "\"; use waybar, json or text\n";
    return 2;
  }
  const auto clock = [] {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
  };
  if (hasOption(args, "--follow")) return followStatus(*format, dataFolder, STDOUT_FILENO, clock);
  const Date now = clock();
  out << statusText(*format, Store::load(dataFolder / "last.json", now), now) << std::flush;
  return 0;
}
