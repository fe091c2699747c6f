#pragma once
// The two routes through cleanText. Plain ASCII takes a shortcut that never
// touches ICU; both are visible here so that tests and the fuzz target can
// hold the shortcut to the answers of the full Unicode route.

#include <optional>
#include <string>
#include <string_view>

namespace readings_detail {

bool isAscii(std::string_view text);

// Only for text whose bytes are all below 0x80.
std::optional<std::string> cleanAsciiText(std::string_view text, int max);

// Any bytes; ill-formed UTF-8 sequences become U+FFFD.
std::optional<std::string> cleanUnicodeText(std::string_view text, int max);

}  // namespace readings_detail
