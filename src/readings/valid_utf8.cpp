#include "readings/valid_utf8.hpp"

bool validUTF8(std::string_view text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  auto continuation = [&](const unsigned char* q) { return q < end && (*q & 0xC0) == 0x80; };
  while (p < end) {
    const unsigned char c = *p;
    if (c < 0x80) {
      ++p;
    } else if (c >= 0xC2 && c <= 0xDF) {
      if (!continuation(p + 1)) return false;
      p += 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
      if (!continuation(p + 1) || !continuation(p + 2)) return false;
      if (c == 0xE0 && p[1] < 0xA0) return false;   // overlong
      if (c == 0xED && p[1] >= 0xA0) return false;  // surrogate
      p += 3;
    } else if (c >= 0xF0 && c <= 0xF4) {
      if (!continuation(p + 1) || !continuation(p + 2) || !continuation(p + 3)) return false;
      if (c == 0xF0 && p[1] < 0x90) return false;   // overlong
      if (c == 0xF4 && p[1] >= 0x90) return false;  // above U+10FFFF
      p += 4;
    } else {
      return false;
    }
  }
  return true;
}
