#pragma once
// Which processor a release is for. x86-64 and 64-bit ARM releases share one
// feed and one bundle layout, so the feed member a copy reads and the binary
// it is about to install are both checked against the processor it was built
// for: a copy that swapped in the other processor's bundle would either not
// start or, on a desktop that emulates it, run that slowly from then on.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>

namespace Updater {

// The ELF machine numbers of the processors releases are built for.
inline constexpr std::uint16_t elfX86_64 = 62;
inline constexpr std::uint16_t elfAarch64 = 183;

// The feed members that may hold a release for the processor with this ELF
// machine number, the most specific first. "linux" predates the others and
// has always held the x86-64 release, which copies from before the split
// still read; no other processor reads it.
std::span<const std::string_view> feedMembers(std::uint16_t machine);

// This build's processor.
std::uint16_t ownMachine();

// Whether the file is an ELF program for anything but this processor as a
// 64-bit little-endian program. Anything else, a script or a file too short
// to tell, is not "foreign": it stands or falls by whether it runs.
bool foreignProgram(const std::filesystem::path& file, std::uint16_t machine);

}  // namespace Updater
