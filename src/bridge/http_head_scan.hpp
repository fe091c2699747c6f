#pragma once
// Finding the end of a request head. Shared by the one-shot parser and the
// connection's incremental feed so that both draw the line at the same byte.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

inline constexpr std::string_view headTerminator = "\r\n\r\n";

// Only the first maxHeaderBytes + 4 bytes can hold an acceptable terminator,
// so nothing past them is ever searched.
std::size_t headSearchWindow(std::size_t bufferSize);

// Offset of the first terminator that starts at or after `from` and lies
// wholly within the first `window` bytes.
std::optional<std::size_t> findHeadTerminator(std::span<const std::uint8_t> buffer, std::size_t from,
                                              std::size_t window);

// For a buffer with no terminator yet: whether one starting within
// maxHeaderBytes can still arrive.
bool headCanStillEnd(std::span<const std::uint8_t> buffer);
