#pragma once
// Unpacking a downloaded release archive without trusting it.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>

namespace Updater {

enum class EntryKind { file, directory, symlink, other };

// Where an archive entry may land, relative to the folder it is unpacked
// into: its path with "." and empty components dropped. Absent (the archive
// is refused) for an absolute path, a ".." component, a kind other than file,
// directory or symlink, a symlink whose target is absolute or climbs out of
// the folder, or a hard link whose path breaks the same rules. An empty
// result is the folder itself.
std::optional<std::filesystem::path> entryDestination(std::string_view name, EntryKind kind,
                                                      std::string_view symlinkTarget = {},
                                                      std::string_view hardlink = {});

// Unpacks the zip archive into folder. The whole archive is checked with
// entryDestination before anything is written, writes never pass through a
// symlink, and after unpacking no symlink may resolve outside the folder.
// Mode bits are kept apart from set-id bits. False for any refusal, a
// damaged archive, one that would unpack to more than maxBytes, or once
// `stop` holds (it is asked before every entry and every block written).
bool extractArchive(
    const std::filesystem::path& archive, const std::filesystem::path& folder, std::uintmax_t maxBytes,
    const std::function<bool()>& stop = [] { return false; });

}  // namespace Updater
