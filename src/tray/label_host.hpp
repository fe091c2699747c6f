#pragma once
// Whether the tray host draws the item's text label beside its icon.

#include <string>
#include <string_view>

// GNOME Shell's AppIndicator extension draws XAyatanaLabel in the shell's own
// font and colour, which reads on any top bar, so there the number moves out
// of the icon into the label, like a title beside a glyph. The other hosts
// (XFCE's panel, Plasma, waybar, XEmbed trays) draw no label, or draw it in a
// way we have not seen, so there the number stays inside the icon.
// `watcherProcess` is the name of the process that owns the watcher (empty
// when it cannot be found out); `currentDesktop` is XDG_CURRENT_DESKTOP,
// consulted only then.
bool hostDrawsLabel(std::string_view watcherProcess, std::string_view currentDesktop);

// The kernel's name of a process (its comm), or empty.
std::string processName(unsigned pid);
