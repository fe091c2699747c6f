#pragma once
// The form a reading takes on disk (inside last.json) and its strict read-back.

#include <optional>

#include <nlohmann/json.hpp>

#include "readings/reading.hpp"

// One window in the stored form, shared with the usage history's lines.
nlohmann::json encodeWindow(const UsageWindow& window);
std::optional<UsageWindow> decodeWindow(const nlohmann::json& value);

// Optional fields that are absent are left out rather than written as null.
nlohmann::json encodeReading(const Reading& reading);

// Fails (absent) on a missing required member or a member of the wrong JSON
// type. The result is not sanitised; callers pass it through sanitizeReading.
std::optional<Reading> decodeReading(const nlohmann::json& value);
