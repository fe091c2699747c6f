#pragma once
// "Open at login" on the Linux desktop: an XDG autostart entry. The desktop
// starts every entry in the autostart folder at log-in unless the entry hides
// itself, so the entry's presence is the registration.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "store/paths.hpp"

// $XDG_CONFIG_HOME/autostart/<appId>.desktop when XDG_CONFIG_HOME is an
// absolute path, else ~/.config/autostart/<appId>.desktop.
std::filesystem::path autostartEntryPath(const Store::EnvLookup& env, const std::filesystem::path& home);

// Whether a desktop would start the entry at log-in: it loads as an
// application whose Exec names a program that `runs` accepts, and neither
// Hidden nor X-GNOME-Autostart-enabled switches it off.
bool autostartEntryEnabled(std::string_view text, const std::function<bool(const std::string&)>& runs);

// Whether a desktop finds `program` to start: an executable file at that
// path, or on PATH for a bare name.
bool programRuns(const std::string& program);

// The entry that starts `executable`; absent when its path cannot be written
// into an entry safely.
std::optional<std::string> autostartEntryText(const std::string& executable);

class AutostartEntry {
 public:
  AutostartEntry(std::filesystem::path entry, std::string executable);

  bool enabled() const;
  // Each returns the reason when it failed, nothing when it worked.
  std::optional<std::string> enable() const;
  std::optional<std::string> disable() const;

  const std::filesystem::path& entry() const { return entry_; }

 private:
  std::filesystem::path entry_;
  std::string executable_;
};
