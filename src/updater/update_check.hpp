#pragma once
// Fetching the feed and acting on it: manual checks report every outcome,
// automatic ones run one at a time and stay silent unless a newer version is
// found.

#include <functional>
#include <optional>
#include <string>

#include "readings/reading.hpp"
#include "updater/feed_document.hpp"

namespace Updater {

// Set at launch by "--update-now": an offer installs without asking.
extern bool autoInstall;

// Told, on the main thread, of every received feed (a JSON object from the
// feed address): its support value and the receipt time.
extern std::function<void(const std::optional<std::string>& support, Date at)> onFeed;

// Main thread; returns at once.
void check(bool manual);

// Installs straight away under autoInstall, else asks the user first.
void offer(const Entry& entry);

// A message with one OK button.
void info(const std::string& message);

}  // namespace Updater
