#pragma once
// Text helpers of the request parser and the request rules.

#include <string>
#include <string_view>

// ASCII only: every name and value the bridge compares after lower-casing is
// ASCII, and no other character lower-cases into one of their letters.
inline std::string lowerASCII(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// Only space and tab count as blanks in a header.
inline std::string_view trimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}
