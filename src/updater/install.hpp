#pragma once
// Replacing the running bundle with a release from the feed. Every failure
// before the swap script starts leaves the installed app as it was, removes
// the work folder, tells the user and opens the product page.

#include <filesystem>
#include <functional>

#include <QStringList>
#include <QUrl>

#include "updater/feed_document.hpp"

namespace Updater {

// Where the install meets the system, replaceable for tests.
struct InstallHooks {
  std::function<std::filesystem::path()> executable;
  std::function<bool(const std::filesystem::path&)> writable;
  std::function<bool(const QString& program, const QStringList& arguments)> startDetached;
};

InstallHooks defaultInstallHooks();

// Main thread only; starts as defaultInstallHooks().
InstallHooks& installHooks();

// Main thread; returns at once. Streams the archive into a work folder beside
// the installed bundle, prepares it in a worker thread, then starts the swap
// script and quits.
void install(const Entry& entry, const QUrl& archive);

}  // namespace Updater
