#pragma once
// The strict HTTP/1.x request head parser of the loopback bridge.

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>

inline constexpr std::size_t maxHeaderBytes = 16384;

struct HTTPHead {
  std::string method;
  std::string path;
  std::map<std::string, std::string> headers;  // names lower-cased, values trimmed
  std::int64_t bodyOffset = 0;

  // `name` must already be lower case.
  std::optional<std::string> h(std::string_view name) const;

  bool operator==(const HTTPHead&) const = default;
};

struct HeadParse {
  enum class Kind { head, needMore, bad };
  Kind kind = Kind::needMore;
  HTTPHead head;  // meaningful only when kind == head

  static HeadParse needMore() { return {Kind::needMore, {}}; }
  static HeadParse bad() { return {Kind::bad, {}}; }
  static HeadParse parsed(HTTPHead h) { return {Kind::head, std::move(h)}; }

  bool operator==(const HeadParse&) const = default;
};

HeadParse parseHead(std::span<const std::uint8_t> buffer);

// Parses a head whose terminator "\r\n\r\n" is already known to start at
// `end` (end <= maxHeaderBytes). parseHead finds it and calls this.
HeadParse parseHeadAt(std::span<const std::uint8_t> buffer, std::size_t end);
