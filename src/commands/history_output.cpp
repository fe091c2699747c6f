#include "commands/history_output.hpp"

#include <charconv>

#include <nlohmann/json.hpp>

#include "store/atomic_file.hpp"
#include "store/time_stamp.hpp"

std::optional<HistoryFormat> historyFormatNamed(std::string_view name) {
  if (name == "csv") return HistoryFormat::csv;
  if (name == "json") return HistoryFormat::json;
  return std::nullopt;
}

std::optional<double> sinceSpan(std::string_view text) {
  if (text.size() < 2) return std::nullopt;
  double unit = 0;
  switch (text.back()) {
    case 'm':
      unit = 60;
      break;
    case 'h':
      unit = 3600;
      break;
    case 'd':
      unit = 86400;
      break;
    default:
      return std::nullopt;
  }
  unsigned count = 0;
  const char* end = text.data() + text.size() - 1;
  const auto [stop, error] = std::from_chars(text.data(), end, count);
  if (error != std::errc() || stop != end || count == 0) return std::nullopt;
  return count * unit;
}

std::string historyOutput(HistoryFormat format, const std::vector<HistoryEntry>& entries) {
  if (format == HistoryFormat::csv) {
    std::string out = "time,key,pct,resets_at\n";
    for (const auto& entry : entries) {
      const std::string time = isoTimeStamp(entry.at / 1000);
      for (const auto& w : entry.windows) {
        // Keys are plain words and the rest numbers and stamps: nothing to quote.
        out += time + "," + w.key + "," + Store::encodeCompactJSON(w.pct).value_or("") + "," +
               (w.resets_at ? isoTimeStamp(*w.resets_at / 1000) : "") + "\n";
      }
    }
    return out;
  }
  nlohmann::json rows = nlohmann::json::array();
  for (const auto& entry : entries) {
    const std::string time = isoTimeStamp(entry.at / 1000);
    for (const auto& w : entry.windows) {
      rows.push_back({{"time", time},
                      {"key", w.key},
                      {"pct", w.pct},
                      {"resets_at", w.resets_at ? nlohmann::json(isoTimeStamp(*w.resets_at / 1000))
                                                : nlohmann::json(nullptr)}});
    }
  }
  return Store::encodeCompactJSON(rows).value_or("[]") + "\n";
}
