#pragma once
// last.json: the controller's pair of readings, kept across restarts.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "readings/reading.hpp"

namespace Store {

// Reads `file` and decodes it at `now`; the empty pair when the file is
// missing or unreadable.
Saved load(const std::filesystem::path& file, EpochSeconds now);

// The whole document is rejected (the empty pair) when it is not a JSON
// object or a present "latest" or "ok" is not a stored reading. Each reading
// then passes sanitizeReading with `now`; "ok" survives only with status "ok".
Saved decode(std::span<const std::uint8_t> data, EpochSeconds now);
Saved decode(std::string_view data, EpochSeconds now);

// The file's bytes; absent when the pair holds a value JSON cannot carry.
std::optional<std::string> encode(const Saved& saved);

// Writes the pair atomically to Store::lastPath(), creating the folder; every
// failure is silent and leaves the old file.
void save(const Saved& saved);
void save(const Saved& saved, const std::filesystem::path& file);

}  // namespace Store
