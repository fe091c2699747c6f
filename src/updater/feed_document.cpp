#include "updater/feed_document.hpp"

#include <nlohmann/json.hpp>

#include "readings/json_access.hpp"

namespace Updater {

namespace {

using nlohmann::json;

json parseObject(std::string_view body) {
  json doc = readings_detail::parseDocument(body);
  return doc.is_object() ? doc : json();
}

// Present and not null.
const json* given(const json& object, const char* key) {
  const json* value = readings_detail::member(object, key);
  return value == nullptr || value->is_null() ? nullptr : value;
}

// Absent stays absent; a present member must be a string or the decoding
// fails, which the outer optional carries.
std::optional<std::optional<std::string>> optionalText(const json& object, const char* key) {
  const json* value = given(object, key);
  if (value == nullptr) return std::optional<std::string>();
  if (!value->is_string()) return std::nullopt;
  return std::optional<std::string>(value->get<std::string>());
}

std::optional<Entry> decodeEntry(const json& object) {
  if (!object.is_object()) return std::nullopt;
  const auto version = optionalText(object, "version");
  const auto url = optionalText(object, "url");
  const auto sha256 = optionalText(object, "sha256");
  const auto notes = optionalText(object, "notes");
  if (!version || !*version || !url || !*url || !sha256 || !*sha256 || !notes) return std::nullopt;
  return Entry{**version, **url, **sha256, *notes};
}

}  // namespace

std::optional<Feed> decodeFeed(std::string_view body, std::span<const std::string_view> members) {
  const json doc = parseObject(body);
  if (!doc.is_object()) return std::nullopt;
  for (const std::string_view name : members) {
    const json* member = given(doc, std::string(name).c_str());
    if (member == nullptr) continue;
    auto entry = decodeEntry(*member);
    if (!entry) return std::nullopt;
    return Feed{std::move(entry)};
  }
  return Feed{};
}

std::optional<SupportSwitch> decodeSupportSwitch(std::string_view body) {
  const json doc = parseObject(body);
  if (!doc.is_object()) return std::nullopt;
  auto support = optionalText(doc, "support");
  if (!support) return std::nullopt;
  return SupportSwitch{std::move(*support)};
}

bool isFeedObject(std::string_view body) {
  return parseObject(body).is_object();
}

std::optional<std::string> supportValue(std::string_view body) {
  auto decoded = decodeSupportSwitch(body);
  return decoded ? decoded->support : std::nullopt;
}

}  // namespace Updater
