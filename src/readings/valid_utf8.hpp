#pragma once
// Whether bytes are well-formed UTF-8. Several boundaries refuse text that is
// not: a request head, a path written into a desktop entry.

#include <string_view>

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool validUTF8(std::string_view text);
