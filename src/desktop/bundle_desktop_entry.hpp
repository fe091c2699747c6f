#pragma once
// A bundle is unpacked wherever its user likes, so no installer puts its
// desktop entry and icon where the desktop looks. A run from a bundle puts
// them under the user's data folder itself, pointing at wherever the bundle
// now lies; an installed copy leaves them to its installer.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

struct BundleDesktopFiles {
  std::filesystem::path entry;  // <dataHome>/applications/<appId>.desktop
  std::filesystem::path icon;   // <dataHome>/icons/hicolor/scalable/apps/<appId>.svg
};

BundleDesktopFiles bundleDesktopFiles(const std::filesystem::path& dataHome);

// The bundle's shipped entry with its Exec running `executable`; absent when
// the shipped text is no valid entry with one Exec, or the path cannot be
// written into an entry safely.
std::optional<std::string> bundleEntryText(std::string_view shipped, const std::string& executable);

// Brings the entry and icon in line with `bundle`, writing only what differs
// from the files in place (a moved bundle changes Exec, an update may change
// either). Returns the reason when something could not be written.
std::optional<std::string> refreshBundleDesktopFiles(const std::filesystem::path& bundle,
                                                     const BundleDesktopFiles& files);

// Removes the entry and icon at `files` when the entry's program is gone (its
// bundle was deleted): an entry with this app's id that starts nothing hides
// an installed copy's own entry from the desktop. Returns whether it did.
bool removeOrphanedDesktopFiles(const BundleDesktopFiles& files);

// The step for a process running `executable` (its path as the kernel has it,
// whatever the bytes): a bundle brings `files` in line with itself, any other
// copy removes them when orphaned. Logs what it did not write and what it
// removed.
void refreshDesktopFiles(const std::filesystem::path& executable, const BundleDesktopFiles& files);

// The same under the user's data folder.
void refreshDesktopFilesOfRunningBundle(const std::filesystem::path& executable);
