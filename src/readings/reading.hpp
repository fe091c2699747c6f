#pragma once
// A reading: one snapshot of the user's usage limits as the browser extension
// saw them, and the gate every reading passes before the rest of the app sees it.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "base/epoch_seconds.hpp"

inline constexpr std::array<std::string_view, 6> windowOrder = {"session", "weekly", "opus",
                                                                "sonnet",  "fable",  "design"};
inline constexpr std::array<std::string_view, 4> knownStatuses = {"ok", "signed_out", "error", "no_data"};
inline constexpr double maxPct = 10000.0;
inline constexpr double timeSpanMs = 34560000000.0;  // 400 days
inline constexpr int textLimit = 40;

struct UsageWindow {
  std::string key;
  double pct = 0;
  std::optional<double> resets_at;  // epoch ms

  bool operator==(const UsageWindow&) const = default;
};

struct Reading {
  std::string status;
  std::optional<std::string> error;
  std::optional<std::string> plan;
  double fetched_at = 0;   // epoch ms
  double received_at = 0;  // epoch ms
  std::vector<UsageWindow> windows;

  bool operator==(const Reading&) const = default;

  // The moment the reading's data stands for: the earlier of the two times.
  EpochSeconds dataTime() const;
};

struct Saved {
  std::optional<Reading> latest;
  std::optional<Reading> ok;

  bool operator==(const Saved&) const = default;
};

bool isWindowKey(std::string_view key);
bool isKnownStatus(std::string_view status);

std::optional<Reading> parseReading(std::span<const std::uint8_t> data, EpochSeconds now);
std::optional<Reading> parseReading(std::string_view data, EpochSeconds now);
std::optional<Reading> sanitizeReading(const Reading& reading, EpochSeconds now);

// value may be null (absent). Strips Cc/Cf, trims Zs and tab, cuts at `max`
// grapheme clusters; absent when nothing is left or value is not a string.
// Ill-formed UTF-8 becomes U+FFFD, so the result always serialises as JSON.
std::optional<std::string> cleanText(const nlohmann::json* value, int max);
std::optional<std::string> cleanText(const std::optional<std::string>& value, int max);

// A finite, non-boolean JSON number as a double; absent otherwise.
std::optional<double> isJSONNumber(const nlohmann::json* value);

std::int64_t safeInt(double x);
