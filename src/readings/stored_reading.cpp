#include "readings/stored_reading.hpp"

#include "readings/json_access.hpp"

namespace {

using nlohmann::json;
using readings_detail::anyNumber;
using readings_detail::member;
using readings_detail::text;

// An optional member: absent and null give an empty inner value; a value of
// another type fails the whole decoding (the outer optional is empty).
template <typename T, typename Read>
std::optional<std::optional<T>> optionalMember(const json& object, const char* key, Read read) {
  const json* value = member(object, key);
  if (value == nullptr || value->is_null()) return std::optional<T>();
  auto got = read(value);
  if (!got) return std::nullopt;
  return std::optional<T>(std::move(*got));
}

}  // namespace

std::optional<UsageWindow> decodeWindow(const json& value) {
  if (!value.is_object()) return std::nullopt;
  auto key = text(member(value, "key"));
  const auto pct = anyNumber(member(value, "pct"));
  const auto resetsAt = optionalMember<double>(value, "resets_at", anyNumber);
  if (!key || !pct || !resetsAt) return std::nullopt;
  return UsageWindow{std::move(*key), *pct, *resetsAt};
}

nlohmann::json encodeWindow(const UsageWindow& window) {
  json w = {{"key", window.key}, {"pct", window.pct}};
  if (window.resets_at) w["resets_at"] = *window.resets_at;
  return w;
}

nlohmann::json encodeReading(const Reading& reading) {
  json windows = json::array();
  for (const auto& window : reading.windows) windows.push_back(encodeWindow(window));
  json out = {{"status", reading.status},
              {"fetched_at", reading.fetched_at},
              {"received_at", reading.received_at},
              {"windows", std::move(windows)}};
  if (reading.error) out["error"] = *reading.error;
  if (reading.plan) out["plan"] = *reading.plan;
  return out;
}

std::optional<Reading> decodeReading(const nlohmann::json& value) {
  if (!value.is_object()) return std::nullopt;
  auto status = text(member(value, "status"));
  const auto fetchedAt = anyNumber(member(value, "fetched_at"));
  const auto receivedAt = anyNumber(member(value, "received_at"));
  const json* windows = member(value, "windows");
  auto error = optionalMember<std::string>(value, "error", text);
  auto plan = optionalMember<std::string>(value, "plan", text);
  if (!status || !fetchedAt || !receivedAt || !error || !plan) return std::nullopt;
  if (windows == nullptr || !windows->is_array()) return std::nullopt;

  Reading reading;
  reading.status = std::move(*status);
  reading.error = std::move(*error);
  reading.plan = std::move(*plan);
  reading.fetched_at = *fetchedAt;
  reading.received_at = *receivedAt;
  for (const auto& element : *windows) {
    auto window = decodeWindow(element);
    if (!window) return std::nullopt;
    reading.windows.push_back(std::move(*window));
  }
  return reading;
}
