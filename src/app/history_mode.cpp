#include "app/history_mode.hpp"

#include <limits>
#include <ostream>

#include "app/command_line.hpp"
#include "store/history_output.hpp"

int runHistoryMode(const std::vector<std::string>& args, const std::filesystem::path& dataFolder, Date now,
                   std::ostream& out, std::ostream& err) {
  const std::string name = valueAfter(args, "--format").value_or("csv");
  const std::optional<HistoryFormat> format = historyFormatNamed(name);
  if (!format) {
    err << "quotalume: unknown --format \"" << name << "\"; use csv or json\n";
    return 2;
  }
  double fromMs = -std::numeric_limits<double>::infinity();
  if (const auto since = valueAfter(args, "--since")) {
    const auto span = sinceSpan(*since);
    if (!span) {
      err << "quotalume: unknown --since \"" << *since << "\"; use a number and m, h or d, such as 7d\n";
      return 2;
    }
    fromMs = (now - *span) * 1000;
  }
  out << historyOutput(*format, History::load(dataFolder / "history.jsonl", now, fromMs)) << std::flush;
  return 0;
}
