#include "store/reading_store.hpp"

#include <chrono>

#include <nlohmann/json.hpp>

#include "readings/json_access.hpp"
#include "readings/stored_reading.hpp"
#include "store/atomic_file.hpp"
#include "store/file_bytes.hpp"
#include "store/process_paths.hpp"

namespace Store {

namespace {

using nlohmann::json;

// A real last.json is a few kilobytes; anything this large is damage.
constexpr std::uintmax_t maxStoreBytes = 16u << 20;

// Absent member or null: an empty inner value. A member that is not a stored
// reading: an empty outer value, which rejects the whole document.
std::optional<std::optional<Reading>> storedMember(const json& document, const char* key) {
  const json* value = readings_detail::member(document, key);
  if (value == nullptr || value->is_null()) return std::optional<Reading>();
  auto reading = decodeReading(*value);
  if (!reading) return std::nullopt;
  return reading;
}

}  // namespace

Saved decode(std::string_view data, EpochSeconds now) {
  const auto document = readings_detail::parseDocument(data);
  if (!document.is_object()) return {};
  const auto latest = storedMember(document, "latest");
  const auto ok = storedMember(document, "ok");
  if (!latest || !ok) return {};

  Saved saved;
  if (*latest) saved.latest = sanitizeReading(**latest, now);
  if (*ok) {
    auto kept = sanitizeReading(**ok, now);
    if (kept && kept->status == "ok") saved.ok = std::move(kept);
  }
  return saved;
}

Saved decode(std::span<const std::uint8_t> data, EpochSeconds now) {
  return decode(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()), now);
}

Saved load(const std::filesystem::path& file, EpochSeconds now) {
  const auto bytes = readFile(file, maxStoreBytes);
  if (!bytes) return {};
  return decode(*bytes, now);
}

std::optional<std::string> encode(const Saved& saved) {
  json document = json::object();
  if (saved.latest) document["latest"] = encodeReading(*saved.latest);
  if (saved.ok) document["ok"] = encodeReading(*saved.ok);
  return encodeJSON(document);
}

void save(const Saved& saved, const std::filesystem::path& file) {
  const auto bytes = encode(saved);
  if (bytes) writeAtomically(file, *bytes);
}

void save(const Saved& saved) {
  save(saved, lastPath());
}

}  // namespace Store
