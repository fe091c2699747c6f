#pragma once
// The two routes through cleanText. Plain ASCII takes a shortcut that never
// touches ICU; both are visible here so that tests and the fuzz target can
// hold the shortcut to the answers of the full Unicode route. The grapheme
// count they cut with also serves the bridge, which measures texts the same way.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace readings_detail {

bool isAscii(std::string_view text);

// Byte offset just past the first `max` grapheme clusters (user-perceived
// characters) of UTF-8 text; the whole length when it holds fewer.
std::size_t graphemePrefixEnd(std::string_view text, int max);

// Only for text whose bytes are all below 0x80.
std::optional<std::string> cleanAsciiText(std::string_view text, int max);

// Any bytes; ill-formed UTF-8 sequences become U+FFFD.
std::optional<std::string> cleanUnicodeText(std::string_view text, int max);

}  // namespace readings_detail
