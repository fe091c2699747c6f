#pragma once
// Replacing the running bundle with a release from the feed. Every failure
// before the swap script starts leaves the installed app as it was, removes
// the work folder, tells the user and opens the product page.

#include <filesystem>
#include <functional>
#include <memory>

#include <QStringList>
#include <QUrl>

#include "updater/feed_document.hpp"

namespace Updater {

struct UpdaterServices;

// Where the install meets the system, replaceable for tests.
struct InstallHooks {
  std::function<std::filesystem::path()> executable;
  std::function<bool(const std::filesystem::path&)> writable;
  std::function<bool(const QString& program, const QStringList& arguments)> startDetached;
};

InstallHooks defaultInstallHooks();

// Main thread; returns at once. Streams the archive into a work folder beside
// the installed bundle, prepares it in a worker thread, then starts the swap
// script and quits, each effect through `services`.
void install(const Entry& entry, const QUrl& archive, std::shared_ptr<const UpdaterServices> services);

}  // namespace Updater
