#pragma once
// Whole-file reads for the stores, and complete writes to a descriptor.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "store/regular_file.hpp"

namespace Store {

// The file's content; absent when it is missing, not a regular file (a link
// too, unless `links` follows them) or cannot be read, or larger than `limit`
// bytes. Never waits on a FIFO or device at the path.
std::optional<std::string> readFile(const std::filesystem::path& file, std::uintmax_t limit,
                                    Links links = Links::refuse);

// The first `limit` bytes of a file whose size is known only once read
// (those under /proc); empty when it cannot be opened.
std::string readProcFile(const std::filesystem::path& file, std::size_t limit);

// Writes all of `bytes` to `fd`, retrying after signals; false on any
// failure, a closed pipe included (with SIGPIPE ignored).
bool writeAll(int fd, std::string_view bytes);

}  // namespace Store
