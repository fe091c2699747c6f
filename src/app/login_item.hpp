#pragma once
// "Open at login" on the Linux desktop: an XDG autostart entry. The desktop
// starts every entry in the autostart folder at log-in unless the entry hides
// itself, so the entry's presence is the registration.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "app/environment.hpp"

// $XDG_CONFIG_HOME/autostart/<bundleID>.desktop when XDG_CONFIG_HOME is an
// absolute path, else ~/.config/autostart/<bundleID>.desktop.
std::filesystem::path autostartEntryPath(const EnvLookup& env, const std::filesystem::path& home);

// Whether an entry's text starts its program: it has a [Desktop Entry] group
// whose Hidden is not true and whose X-GNOME-Autostart-enabled is not false.
bool autostartEntryEnabled(std::string_view text);

// The entry that starts `executable`, quoted as desktop entries require.
std::string autostartEntryText(const std::string& executable);

class LoginItem {
 public:
  LoginItem(std::filesystem::path entry, std::string executable);

  bool enabled() const;
  // Each returns the reason when it failed, nothing when it worked.
  std::optional<std::string> enable() const;
  std::optional<std::string> disable() const;

  const std::filesystem::path& entry() const { return entry_; }

 private:
  std::filesystem::path entry_;
  std::string executable_;
};
