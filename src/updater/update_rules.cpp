#include "updater/update_rules.hpp"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <vector>

namespace Updater {

namespace {

std::int64_t pieceValue(std::string_view piece) {
  bool negative = false;
  if (!piece.empty() && (piece.front() == '+' || piece.front() == '-')) {
    negative = piece.front() == '-';
    piece.remove_prefix(1);
  }
  if (piece.empty() || !std::all_of(piece.begin(), piece.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return 0;
  // Parsing the magnitude as unsigned keeps INT64_MIN reachable.
  std::uint64_t magnitude = 0;
  const auto [end, ec] = std::from_chars(piece.data(), piece.data() + piece.size(), magnitude);
  if (ec != std::errc() || end != piece.data() + piece.size()) return 0;
  constexpr auto maxPositive = static_cast<std::uint64_t>(INT64_MAX);
  if (negative) {
    if (magnitude > maxPositive + 1) return 0;
    return magnitude == maxPositive + 1 ? INT64_MIN : -static_cast<std::int64_t>(magnitude);
  }
  return magnitude > maxPositive ? 0 : static_cast<std::int64_t>(magnitude);
}

std::vector<std::int64_t> pieces(std::string_view version) {
  std::vector<std::int64_t> out;
  while (true) {
    const auto dot = version.find('.');
    const auto piece = version.substr(0, dot);
    if (!piece.empty()) out.push_back(pieceValue(piece));
    if (dot == std::string_view::npos) break;
    version.remove_prefix(dot + 1);
  }
  return out;
}

}  // namespace

bool newer(std::string_view a, std::string_view b) {
  const auto pa = pieces(a);
  const auto pb = pieces(b);
  for (std::size_t i = 0; i < std::max(pa.size(), pb.size()); ++i) {
    const std::int64_t x = i < pa.size() ? pa[i] : 0;
    const std::int64_t y = i < pb.size() ? pb[i] : 0;
    if (x != y) return x > y;
  }
  return false;
}

bool dueOnWake(std::optional<double> lastChecked, EpochSeconds now) {
  if (!lastChecked) return true;
  const double elapsed = now - *lastChecked / 1000;
  // NaN fails both tests and so is not due.
  return elapsed >= interval || elapsed < -300;
}

}  // namespace Updater
