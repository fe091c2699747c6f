#pragma once
// What the updater does to the user, the desktop and its owner, handed in by
// whoever runs it (the controller, a test) rather than held process-wide.

#include <functional>
#include <optional>
#include <string>

#include "readings/reading.hpp"
#include "updater/install.hpp"
#include "updater/user_effects.hpp"

namespace Updater {

struct UpdaterServices {
  UserEffects effects;
  InstallHooks hooks;
  // Told, on the main thread, of every received feed (a JSON object from the
  // feed address): its support value and the receipt time.
  std::function<void(const std::optional<std::string>& support, EpochSeconds at)> onFeed;
  std::function<EpochSeconds()> now;
  // "--update-now": an offer installs without asking.
  bool autoInstall = false;
};

// The real desktop: modal alerts, the default browser, quitting, this
// executable; feeds are told to nobody.
UpdaterServices defaultUpdaterServices();

}  // namespace Updater
