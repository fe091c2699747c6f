#pragma once
// What a received feed changes in the stored update state.

#include <filesystem>
#include <optional>
#include <string>

#include "readings/reading.hpp"
#include "store/update_store.hpp"

namespace Updater {

// Records the feed's support value and receipt time in state and saves it to
// file. Returns whether the support entry must now be shown, only when that
// differs from before (and then logs the change); absent when the menu stays
// as it is.
std::optional<bool> receiveFeed(UpdateState& state, const std::optional<std::string>& support,
                                EpochSeconds at, const std::filesystem::path& file);

}  // namespace Updater
