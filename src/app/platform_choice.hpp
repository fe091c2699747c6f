#pragma once
// The Qt platform a mode runs on, settled before the application object exists.

#include <optional>
#include <string>

#include "app/command_line.hpp"
#include "store/paths.hpp"

// "offscreen" for the modes that never show a window (the renderings and the
// self-check), so a display variable naming a server that is gone cannot
// abort them; nothing when the user chose a platform through
// QT_QPA_PLATFORM, and nothing for the tray run, which needs the real display.
std::optional<std::string> forcedPlatform(Mode mode, const Store::EnvLookup& env);
