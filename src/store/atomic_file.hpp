#pragma once
// Whole-file writes that never leave a half-written file behind.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

namespace Store {

// Writes `bytes` to a temporary file in the target's folder, flushes it to
// disk and renames it over `path`. Creates the folder when missing. On any
// failure the old file is left as it was and false is returned. Along the
// way it removes the temporaries of `path` that earlier, killed writers left
// (sweepStaleTemporaries), so the folder cannot fill up with them.
bool writeAtomically(const std::filesystem::path& path, std::string_view bytes);

// The stores' JSON form: pretty-printed, members sorted by key, ending in a
// line feed. Absent when the value holds a NaN or an infinity, which JSON
// cannot carry.
std::optional<std::string> encodeJSON(const nlohmann::json& value);

// The same rules on one line, without the line feed: a history line.
std::optional<std::string> encodeCompactJSON(const nlohmann::json& value);

// encodeJSON, then writeAtomically; false when either fails.
bool writeJSONAtomically(const std::filesystem::path& path, const nlohmann::json& value);

}  // namespace Store
