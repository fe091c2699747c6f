#include "bridge/http_head.hpp"

#include <algorithm>
#include <vector>

#include "bridge/http_head_scan.hpp"
#include "bridge/http_text.hpp"

namespace {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
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

std::vector<std::string_view> split(std::string_view text, std::string_view separator) {
  std::vector<std::string_view> pieces;
  for (;;) {
    const auto at = text.find(separator);
    pieces.push_back(text.substr(0, at));
    if (at == std::string_view::npos) return pieces;
    text.remove_prefix(at + separator.size());
  }
}

bool validMethod(std::string_view method) {
  return !method.empty() &&
         std::all_of(method.begin(), method.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
}

std::optional<std::string_view> pathOf(std::string_view target) {
  for (std::string_view scheme : {"http://", "https://"}) {
    if (target.starts_with(scheme)) {
      const auto slash = target.find('/', scheme.size());
      target = slash == std::string_view::npos ? std::string_view("/") : target.substr(slash);
      break;
    }
  }
  if (target != "*" && !target.starts_with('/')) return std::nullopt;
  return target.substr(0, target.find_first_of("?#"));
}

}  // namespace

std::optional<std::string> HTTPHead::h(std::string_view name) const {
  const auto found = headers.find(std::string(name));
  if (found == headers.end()) return std::nullopt;
  return found->second;
}

HeadParse parseHead(std::span<const std::uint8_t> buffer) {
  const auto end = findHeadTerminator(buffer, 0, headSearchWindow(buffer.size()));
  if (!end) return headCanStillEnd(buffer) ? HeadParse::needMore() : HeadParse::bad();
  return parseHeadAt(buffer, *end);
}

HeadParse parseHeadAt(std::span<const std::uint8_t> buffer, std::size_t end) {
  if (end > maxHeaderBytes || end + headTerminator.size() > buffer.size()) return HeadParse::bad();
  const std::string_view text(reinterpret_cast<const char*>(buffer.data()), end);
  if (!validUTF8(text)) return HeadParse::bad();

  const auto lines = split(text, "\r\n");
  const auto request = split(lines.front(), " ");
  if (request.size() != 3) return HeadParse::bad();
  const std::string_view method = request[0], target = request[1], version = request[2];
  if (!validMethod(method)) return HeadParse::bad();
  if (version != "HTTP/1.1" && version != "HTTP/1.0") return HeadParse::bad();
  const auto path = pathOf(target);
  if (!path) return HeadParse::bad();

  HTTPHead head{
      std::string(method), std::string(*path), {}, static_cast<std::int64_t>(end + headTerminator.size())};
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    if (line.empty() || line.front() == ' ' || line.front() == '\t') return HeadParse::bad();
    const auto colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0) return HeadParse::bad();
    const std::string_view rawName = line.substr(0, colon);
    if (rawName.find_first_of(" \t") != std::string_view::npos) return HeadParse::bad();
    std::string name = lowerASCII(rawName);
    const std::string_view value = trimBlanks(line.substr(colon + 1));
    const auto [slot, inserted] = head.headers.try_emplace(std::move(name), value);
    // A second, different length would let two readers of this request
    // disagree on where the body ends.
    if (!inserted && slot->first == "content-length" && slot->second != value) return HeadParse::bad();
  }
  return HeadParse::parsed(std::move(head));
}
