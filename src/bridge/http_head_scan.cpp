#include "bridge/http_head_scan.hpp"

#include <algorithm>

#include "bridge/http_head.hpp"

std::size_t headSearchWindow(std::size_t bufferSize) {
  return std::min(bufferSize, maxHeaderBytes + headTerminator.size());
}

std::optional<std::size_t> findHeadTerminator(std::span<const std::uint8_t> buffer, std::size_t from,
                                              std::size_t window) {
  const std::string_view text(reinterpret_cast<const char*>(buffer.data()), std::min(window, buffer.size()));
  const auto at = text.find(headTerminator, from);
  if (at == std::string_view::npos) return std::nullopt;
  return at;
}

bool headCanStillEnd(std::span<const std::uint8_t> buffer) {
  if (buffer.size() <= maxHeaderBytes) return true;
  // Past the limit only a terminator already begun at or before it can still
  // complete. Refusing any earlier would turn a 400 into a valid head once the
  // rest of that terminator arrives.
  for (std::size_t k = headTerminator.size() - 1; k > 0; --k) {
    const std::size_t start = buffer.size() - k;
    if (start > maxHeaderBytes) break;
    if (std::equal(buffer.begin() + static_cast<std::ptrdiff_t>(start), buffer.end(), headTerminator.begin()))
      return true;
  }
  return false;
}
