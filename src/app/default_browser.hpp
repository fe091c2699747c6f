#pragma once
// Which web browser the desktop opens links with.

#include <optional>
#include <string>

// The default browser's desktop-file ID as the desktop reports it, absent when
// nothing answers. Reads mimeapps.list first, then asks xdg-settings and
// xdg-mime, each bounded by a short timeout.
std::optional<std::string> defaultBrowserID();
