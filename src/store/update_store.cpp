#include "store/update_store.hpp"

#include <nlohmann/json.hpp>

#include "readings/json_access.hpp"
#include "readings/reading.hpp"
#include "store/atomic_file.hpp"
#include "store/file_bytes.hpp"

namespace UpdateStore {

namespace {

using nlohmann::json;

constexpr std::uintmax_t maxStoreBytes = 1u << 20;

bool absent(const json* value) {
  return value == nullptr || value->is_null();
}

}  // namespace

UpdateState decode(std::string_view data) {
  const auto document = readings_detail::parseDocument(data);
  if (!document.is_object()) return {};

  UpdateState state;
  if (const json* support = readings_detail::member(document, "support"); !absent(support)) {
    state.support = readings_detail::text(support);
    if (!state.support) return {};
  }
  if (const json* checkedAt = readings_detail::member(document, "checked_at"); !absent(checkedAt)) {
    state.checked_at = isJSONNumber(checkedAt);
    if (!state.checked_at) return {};
  }
  return state;
}

UpdateState load(const std::filesystem::path& file) {
  const auto bytes = Store::readFile(file, maxStoreBytes);
  if (!bytes) return {};
  return decode(*bytes);
}

std::optional<std::string> encode(const UpdateState& state) {
  json document = json::object();
  if (state.support) document["support"] = *state.support;
  if (state.checked_at) document["checked_at"] = *state.checked_at;
  return Store::encodeJSON(document);
}

void save(const UpdateState& state, const std::filesystem::path& file) {
  const auto bytes = encode(state);
  if (bytes) Store::writeAtomically(file, *bytes);
}

}  // namespace UpdateStore
