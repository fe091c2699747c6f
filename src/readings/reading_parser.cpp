#include <array>
#include <cstddef>

#include <nlohmann/json.hpp>

#include "readings/json_access.hpp"
#include "readings/reading.hpp"

using readings_detail::member;
using readings_detail::text;

namespace {

bool isAbsentOrNull(const nlohmann::json* value) {
  return value == nullptr || value->is_null();
}

std::optional<std::size_t> windowIndex(const nlohmann::json* key) {
  if (key == nullptr) return std::nullopt;
  const auto* name = key->get_ptr<const std::string*>();
  if (name == nullptr) return std::nullopt;
  for (std::size_t i = 0; i < windowOrder.size(); ++i) {
    if (windowOrder[i] == *name) return i;
  }
  return std::nullopt;
}

}  // namespace

std::optional<Reading> parseReading(std::string_view data, EpochSeconds now) {
  const auto document = readings_detail::parseDocument(data);
  if (!document.is_object()) return std::nullopt;

  if (const auto* v = member(document, "v"); !isAbsentOrNull(v)) {
    const auto version = isJSONNumber(v);
    if (!version || !(*version >= 1.0)) return std::nullopt;
  }

  const auto status = text(member(document, "status"));
  if (!status || !isKnownStatus(*status)) return std::nullopt;

  const double nowMs = now * 1000.0;

  double fetchedAt = nowMs;
  if (const auto* fetched = member(document, "fetched_at"); !isAbsentOrNull(fetched)) {
    const auto number = isJSONNumber(fetched);
    if (!number) return std::nullopt;
    fetchedAt = *number;
  }

  std::array<std::optional<UsageWindow>, windowOrder.size()> byKey;
  if (const auto* windows = member(document, "windows"); !isAbsentOrNull(windows)) {
    if (!windows->is_array()) return std::nullopt;
    for (const auto& element : *windows) {
      if (!element.is_object()) continue;
      const auto index = windowIndex(member(element, "key"));
      if (!index) continue;
      const auto pct = isJSONNumber(member(element, "pct"));
      if (!pct) continue;
      byKey[*index] =
          UsageWindow{std::string(windowOrder[*index]), *pct, isJSONNumber(member(element, "resets_at"))};
    }
  }

  Reading reading;
  reading.status = *status;
  reading.error = text(member(document, "error"));
  reading.plan = text(member(document, "plan"));
  reading.fetched_at = fetchedAt;
  reading.received_at = nowMs;
  for (auto& window : byKey) {
    if (window) reading.windows.push_back(std::move(*window));
  }
  return sanitizeReading(reading, now);
}

std::optional<Reading> parseReading(std::span<const std::uint8_t> data, EpochSeconds now) {
  return parseReading(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()), now);
}
