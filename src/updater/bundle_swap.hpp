#pragma once
// Putting the new bundle where the installed one is, in one step, so that a
// kill at any moment leaves one whole bundle there. The swap script has the
// installed binary do it through a hidden option, before the toolkit starts.

#include <filesystem>
#include <optional>

namespace Updater {

// Puts `incoming` at `target` with one renameat2(RENAME_EXCHANGE), the old
// bundle then sitting at `incoming`; true when the new bundle is in place.
// Nothing moves unless both are real folders. Where the kernel or the file
// system cannot exchange (kernels before 3.15, some network and FUSE file
// systems) it moves the old bundle aside into the work folder, as
// Quotalume.app.old, and the new one in, putting the old one back when the
// second move fails. When this process dies between those two adjacent
// system calls the swap script puts the old bundle back; only a kill of both
// at that moment leaves no bundle.
bool swapBundles(const std::filesystem::path& target, const std::filesystem::path& incoming);

// `quotalume --swap-bundles TARGET INCOMING`: the exit status, 0 when the new
// bundle is in place. Absent for any other command line.
std::optional<int> runSwapOption(int argc, char** argv);

}  // namespace Updater
