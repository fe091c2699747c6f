#pragma once
// Whole-file reads for the stores.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace Store {

// The file's content; absent when it is missing, not a regular file or
// cannot be read, or larger than `limit` bytes.
std::optional<std::string> readFile(const std::filesystem::path& file, std::uintmax_t limit);

}  // namespace Store
