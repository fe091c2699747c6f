#pragma once
// `--history` output: one row per window of each recorded line, for
// spreadsheets (CSV) and scripts (JSON).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/history_store.hpp"

enum class HistoryFormat { csv, json };

// "csv" or "json"; absent for anything else.
std::optional<HistoryFormat> historyFormatNamed(std::string_view name);

// "30m", "5h", "7d": a whole positive number of minutes, hours or days, in
// seconds; absent for anything else.
std::optional<double> sinceSpan(std::string_view text);

// CSV: the header "time,key,pct,resets_at", then ISO 8601 UTC times and an
// empty resets_at when the window had none. JSON: one array of objects with
// the same members (resets_at null when absent). Both end in a line feed.
std::string historyOutput(HistoryFormat format, const std::vector<HistoryEntry>& entries);
