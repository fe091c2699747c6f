#pragma once
// state.json: a mirror of what the tray and its panel show after every render, so a
// developer, a support request or an outside script can read it without a
// debugger. Off unless the environment asks for it.

#include <filesystem>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "bridge/listen_state.hpp"
#include "display/shown.hpp"
#include "display/tray_choice.hpp"
#include "readings/reading.hpp"
#include "store/paths.hpp"

namespace Store {

// True when QUOTALUME_DEBUG_STATE is exactly "1" or QUOTALUME_DATA_DIR is set
// to something non-empty.
bool stateEnabledFor(const Store::EnvLookup& env);

// stateEnabledFor the process environment, read on first use and fixed for
// the life of the process.
bool stateEnabled();

// "starting", "ready", "busy", or "failed: " followed by the failure text.
std::string listeningText(const ListenState& listen);

// The eleven-member document: "shown" is the 5-hour headline whatever the
// tray shows, "tray" what the tray shows ({"choice", "window", "shown",
// "tone"}, the window null when it is absent). Absent status and footer
// become null so that the member set never changes. `version` is the one the app reports everywhere
// else (the launch line, the ping answer), settled at start-up.
nlohmann::json stateDocument(const Shown& shown, const Glance& tray, const ListenState& listen,
                             std::string_view version, EpochSeconds at);

// Rewrites Store::statePath() when stateEnabled(), else does nothing. Main
// thread only; every failure is silent and keeps the old file.
void writeState(const Shown& shown, const Glance& tray, const ListenState& listen, std::string_view version,
                EpochSeconds at);

// Writes the document to `file` whether or not the state file is enabled,
// creating its folder, unless these very bytes were the last it wrote there;
// false when that failed.
bool writeState(const Shown& shown, const Glance& tray, const ListenState& listen, std::string_view version,
                const std::filesystem::path& file, EpochSeconds at);

}  // namespace Store
