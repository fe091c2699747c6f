#include "app/status_mode.hpp"

#include <chrono>
#include <ostream>

#include "app/command_line.hpp"
#include "display/shown.hpp"
#include "display/status_output.hpp"
#include "store/reading_store.hpp"

int runStatusMode(const std::vector<std::string>& args, const std::filesystem::path& dataFolder,
                  std::ostream& out, std::ostream& err) {
  const std::string name = valueAfter(args, "--format").value_or("text");
  const std::optional<StatusFormat> format = statusFormatNamed(name);
  if (!format) {
    err << "quotalume: unknown --format \"" << name << "\"; use waybar, json or text\n";
    return 2;
  }
  const Date now = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
  const Saved saved = Store::load(dataFolder / "last.json", now);
  // The running app writes last.json whenever it accepts a reading, so the
  // file's age alone tells fresh from stale; the listener is not ours to know,
  // and "starting" is the one state that claims nothing about it.
  const Shown shown = buildShown(saved, true, ListenState::starting(), now);
  out << statusOutput(*format, shown, saved, now) << std::flush;
  return 0;
}
