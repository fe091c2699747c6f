// The head parser's promises: what it returns as a head is always well
// formed, the head ends exactly at the first blank line, and nothing after
// the head changes the result.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>
#include <vector>

#include "bridge/http_head.hpp"

namespace {

void require(bool condition) {
  if (!condition) std::abort();
}

bool isUpper(char c) {
  return c >= 'A' && c <= 'Z';
}

void requireWellFormed(const HTTPHead& head, std::string_view input) {
  require(!head.method.empty() && std::all_of(head.method.begin(), head.method.end(), isUpper));
  require(head.path == "*" || head.path.starts_with('/'));
  require(head.path.find_first_of("?#") == std::string::npos);
  for (const auto& [name, value] : head.headers) {
    require(!name.empty() && std::none_of(name.begin(), name.end(), isUpper));
    require(name.find_first_of(" \t:") == std::string::npos);
    require(value.empty() ||
            (value.front() != ' ' && value.front() != '\t' && value.back() != ' ' && value.back() != '\t'));
  }
  const auto terminator = input.find("\r\n\r\n");
  require(terminator != std::string_view::npos && terminator <= maxHeaderBytes);
  require(head.bodyOffset == static_cast<std::int64_t>(terminator + 4));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const std::uint8_t> input(data, size);
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const HeadParse parsed = parseHead(input);
  const auto terminator = text.find("\r\n\r\n");

  std::vector<std::uint8_t> longer(input.begin(), input.end());
  longer.insert(longer.end(), {'\r', '\n', '\r', '\n', 0xFF, 'x', '\r', '\n', '\r', '\n'});

  switch (parsed.kind) {
    case HeadParse::Kind::head: {
      requireWellFormed(parsed.head, text);
      const auto offset = static_cast<std::size_t>(parsed.head.bodyOffset);
      require(parseHead(input.first(offset)) == parsed);
      require(parseHead(longer) == parsed);
      break;
    }
    case HeadParse::Kind::bad:
      require(parseHead(longer) == parsed);
      if (terminator != std::string_view::npos && terminator <= maxHeaderBytes) {
        require(parseHead(input.first(terminator + 4)) == parsed);
      }
      break;
    case HeadParse::Kind::needMore:
      require(terminator == std::string_view::npos && size < maxHeaderBytes + 4);
      break;
  }
  return 0;
}
