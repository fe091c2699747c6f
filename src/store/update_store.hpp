#pragma once
// update.json: what the updater remembers across restarts.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

struct UpdateState {
  std::optional<std::string> support;  // the feed's value, untrimmed
  std::optional<double> checked_at;    // epoch ms of the last received feed

  bool operator==(const UpdateState&) const = default;
};

namespace UpdateStore {

// The empty state when the file is missing, unreadable or damaged.
UpdateState load(const std::filesystem::path& file);

// A document that is not an object, or whose "support" is not a string or
// "checked_at" not a finite number (null counts as absent), gives the empty
// state as a whole.
UpdateState decode(std::string_view data);

// The file's bytes; absent when checked_at is not finite.
std::optional<std::string> encode(const UpdateState& state);

// Atomically, creating the folder; failures are silent and leave the old file.
void save(const UpdateState& state, const std::filesystem::path& file);

}  // namespace UpdateStore
