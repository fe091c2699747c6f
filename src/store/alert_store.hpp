#pragma once
// alerts.json: which limit notices were already given in each window's
// current reset cycle, so a restart does not give them again.

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

struct WindowAlerts {
  double cycle = 0;      // the reset moment (epoch ms) of the cycle the flags belong to
  bool near = false;     // the 80 % notice was given (or made pointless by 100 %)
  bool reached = false;  // the 100 % notice was given

  bool operator==(const WindowAlerts&) const = default;
};

// By window key.
using AlertState = std::map<std::string, WindowAlerts, std::less<>>;

namespace AlertStore {

// The empty state when the file is missing, unreadable or damaged.
AlertState load(const std::filesystem::path& file);

// Anything but an object of window entries, each with a finite "cycle" and
// boolean "near" and "reached", gives the empty state as a whole; entries of
// window keys the app does not know are dropped.
AlertState decode(std::string_view data);

// The file's bytes; absent when a cycle is not finite.
std::optional<std::string> encode(const AlertState& state);

// Atomically, creating the folder; failures are silent and leave the old file.
void save(const AlertState& state, const std::filesystem::path& file);

}  // namespace AlertStore
