#include "store/alert_store.hpp"

#include <nlohmann/json.hpp>

#include "readings/json_access.hpp"
#include "readings/reading.hpp"
#include "store/atomic_file.hpp"
#include "store/file_bytes.hpp"

namespace AlertStore {

namespace {

using nlohmann::json;

constexpr std::uintmax_t maxStoreBytes = 1u << 16;

std::optional<WindowAlerts> decodeEntry(const json& entry) {
  if (!entry.is_object()) return std::nullopt;
  const auto cycle = entry.find("cycle");
  const auto near = entry.find("near");
  const auto reached = entry.find("reached");
  if (cycle == entry.end() || near == entry.end() || reached == entry.end()) return std::nullopt;
  if (!near->is_boolean() || !reached->is_boolean()) return std::nullopt;
  const std::optional<double> at = isJSONNumber(&*cycle);
  if (!at) return std::nullopt;
  return WindowAlerts{*at, near->get<bool>(), reached->get<bool>()};
}

}  // namespace

AlertState decode(std::string_view data) {
  const auto document = readings_detail::parseDocument(data);
  if (!document.is_object()) return {};
  AlertState state;
  for (const auto& [key, entry] : document.items()) {
    const std::optional<WindowAlerts> alerts = decodeEntry(entry);
    if (!alerts) return {};
    if (isWindowKey(key)) state.emplace(key, *alerts);
  }
  return state;
}

AlertState load(const std::filesystem::path& file) {
  const auto bytes = Store::readFile(file, maxStoreBytes);
  if (!bytes) return {};
  return decode(*bytes);
}

std::optional<std::string> encode(const AlertState& state) {
  json document = json::object();
  for (const auto& [key, alerts] : state)
    document[key] = {{"cycle", alerts.cycle}, {"near", alerts.near}, {"reached", alerts.reached}};
  return Store::encodeJSON(document);
}

void save(const AlertState& state, const std::filesystem::path& file) {
  if (const auto bytes = encode(state)) Store::writeAtomically(file, *bytes);
}

}  // namespace AlertStore
