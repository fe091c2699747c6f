#pragma once
// Whole-file reads for the stores, and complete writes to a descriptor.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace Store {

// The file's content; absent when it is missing, not a regular file or
// cannot be read, or larger than `limit` bytes.
std::optional<std::string> readFile(const std::filesystem::path& file, std::uintmax_t limit);

// Writes all of `bytes` to `fd`, retrying after signals; false on any
// failure, a closed pipe included (with SIGPIPE ignored).
bool writeAll(int fd, std::string_view bytes);

}  // namespace Store
