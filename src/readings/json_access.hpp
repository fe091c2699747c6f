#pragma once
// Throw-free parsing and reads of JSON values, shared by the contract parser,
// the stored form and the stores. nlohmann's own accessors throw on a type
// mismatch.

#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace readings_detail {

// The JSON document in `text`, or a discarded value when it is not one. A
// number literal beyond the largest double parses as an infinity of its sign:
// like any other value that is not a finite number it is ignored where unknown
// and refused where a number is required, instead of failing the whole text.
nlohmann::json parseDocument(std::string_view text);

// The member named `key` of an object, or null when missing or not an object.
inline const nlohmann::json* member(const nlohmann::json& object, const char* key) {
  if (!object.is_object()) return nullptr;
  const auto found = object.find(key);
  return found == object.end() ? nullptr : &*found;
}

// Any JSON number as a double, finite or not; booleans are not numbers.
inline std::optional<double> anyNumber(const nlohmann::json* value) {
  if (value == nullptr) return std::nullopt;
  // The unsigned test comes first: nlohmann hands out its signed slot for an
  // unsigned value too, which would read 2^64 - 1 as -1.
  if (const auto* u = value->get_ptr<const nlohmann::json::number_unsigned_t*>()) {
    return static_cast<double>(*u);
  }
  if (const auto* i = value->get_ptr<const nlohmann::json::number_integer_t*>())
    return static_cast<double>(*i);
  if (const auto* f = value->get_ptr<const nlohmann::json::number_float_t*>()) return *f;
  return std::nullopt;
}

inline std::optional<std::string> text(const nlohmann::json* value) {
  if (value == nullptr) return std::nullopt;
  const auto* s = value->get_ptr<const std::string*>();
  if (s == nullptr) return std::nullopt;
  return *s;
}

}  // namespace readings_detail
