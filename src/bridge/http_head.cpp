#include "bridge/http_head.hpp"

#include <algorithm>
#include <vector>

#include "bridge/http_head_scan.hpp"
#include "bridge/http_text.hpp"
#include "readings/valid_utf8.hpp"

namespace {

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
