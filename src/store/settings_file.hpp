#pragma once
// The user's settings: one INI file, ~/.config/Quotalume/Quotalume.conf
// (under $XDG_CONFIG_HOME when that is absolute), holding the updater's
// "updateFeed" and the tray's switches in its [General] section. Earlier
// versions wrote it through Qt's INI writer, so values are read and written
// in that form; lines this code does not own are kept as they are.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "store/paths.hpp"

namespace Settings {

// A settings file is a few lines; anything larger is not the user's and is
// treated as unreadable rather than read whole.
inline constexpr std::uintmax_t maxBytes = 64 * 1024;

std::filesystem::path fileFor(const Store::EnvLookup& env, const std::filesystem::path& home);

// For this process's environment, worked out on each call so a changed
// XDG_CONFIG_HOME is followed.
std::filesystem::path userFile();

// The value of `key` in the [General] section of `text`, unquoted and
// unescaped; absent when the key is not there.
std::optional<std::string> valueIn(std::string_view text, std::string_view key);

// `text` with `key` set to `value` in [General]: the key's line replaced in
// place, or added at the section's end (the section made first when missing).
std::string withValue(std::string_view text, std::string_view key, std::string_view value);

// What the file at `file` says of `key`. The file is opened once, without
// waiting on a pipe at its place; links are followed, since a user's config
// is often one. A missing, oversized or unreadable file says nothing.
std::optional<std::string> read(const std::filesystem::path& file, std::string_view key);

// Sets `key` and replaces the file atomically (through a link, its target).
// Refuses, and leaves the file alone, when what is there cannot be read:
// a write must never drop settings it could not see. The reason on failure.
std::optional<std::string> write(const std::filesystem::path& file, std::string_view key,
                                 std::string_view value);

// "trayWindow": which limit the tray shows, as its name ("session", "weekly"
// or "highest"); what the name means is the display's.
inline constexpr std::string_view trayWindowKey = "trayWindow";

// "notifyNearLimits": on unless the user turned it off.
bool notifyNearLimits(const std::filesystem::path& file);
std::optional<std::string> saveNotifyNearLimits(const std::filesystem::path& file, bool on);

}  // namespace Settings
