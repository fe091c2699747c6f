#include "store/temporary_name.hpp"

#include <charconv>
#include <cstdint>
#include <limits>

namespace {

constexpr std::string_view marker = ".tmp-";
constexpr unsigned saltLimit = 1000000;

// The decimal number at the front of `text` up to `end` (or the whole rest
// when `end` is 0), consumed with its delimiter; absent unless it is written
// the way std::to_string writes it and is at most `max`.
std::optional<std::uint64_t> takeNumber(std::string_view& text, char end, std::uint64_t max) {
  const std::size_t length = end != 0 ? text.find(end) : text.size();
  if (length == std::string_view::npos || length == 0 || length > 10) return std::nullopt;
  const std::string_view digits = text.substr(0, length);
  if (digits.size() > 1 && digits.front() == '0') return std::nullopt;
  std::uint64_t value = 0;
  const auto [rest, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || rest != digits.data() + digits.size() || value > max) return std::nullopt;
  text.remove_prefix(end != 0 ? length + 1 : length);
  return value;
}

}  // namespace

namespace Store {

std::string temporaryName(std::string_view target, pid_t pid, unsigned serial, unsigned salt) {
  // Appending to one string, rather than chaining operator+ on a literal,
  // keeps GCC 12's optimiser from reporting a false -Wrestrict overlap.
  std::string name = ".";
  name.append(target)
      .append(marker)
      .append(std::to_string(pid))
      .append("-")
      .append(std::to_string(serial))
      .append("-")
      .append(std::to_string(salt % saltLimit));
  return name;
}

std::optional<pid_t> temporaryWriter(std::string_view name, std::string_view target) {
  if (target.empty() || !name.starts_with('.')) return std::nullopt;
  name.remove_prefix(1);
  if (!name.starts_with(target)) return std::nullopt;
  name.remove_prefix(target.size());
  if (!name.starts_with(marker)) return std::nullopt;
  name.remove_prefix(marker.size());
  const auto pid = takeNumber(name, '-', std::numeric_limits<pid_t>::max());
  if (!pid || *pid == 0) return std::nullopt;
  if (!takeNumber(name, '-', std::numeric_limits<unsigned>::max())) return std::nullopt;
  if (!takeNumber(name, 0, saltLimit - 1) || !name.empty()) return std::nullopt;
  return static_cast<pid_t>(*pid);
}

}  // namespace Store
