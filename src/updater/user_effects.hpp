#pragma once
// What the updater does to the user and the desktop, as functions so that
// tests can watch them without a display; the defaults show application-modal
// alerts, open the default browser and quit.

#include <functional>
#include <string>

namespace Updater {

struct UserEffects {
  // A message with one OK button.
  std::function<void(const std::string& message)> info;
  // The offer of a new version; true when "Update Now" was chosen.
  std::function<bool(const std::string& message, const std::string& detail)> offer;
  // The failed-install message with one OK button; returns once dismissed.
  std::function<void(const std::string& message)> installFailed;
  std::function<void(const std::string& url)> openURL;
  std::function<void()> quit;
};

UserEffects defaultUserEffects();

}  // namespace Updater
