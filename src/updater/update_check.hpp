#pragma once
// Fetching the feed and acting on it: manual checks report every outcome,
// automatic ones run one at a time and stay silent unless a newer version is
// found.

#include <memory>

#include "updater/feed_document.hpp"
#include "updater/updater_services.hpp"

namespace Updater {

class Updates {
 public:
  explicit Updates(UpdaterServices services = defaultUpdaterServices());

  // Main thread; returns at once.
  void check(bool manual);

  // Installs straight away under autoInstall, else asks the user first.
  void offer(const Entry& entry);

  // Replaceable while no check or install is under way.
  UpdaterServices& services() { return *services_; }

 private:
  std::shared_ptr<UpdaterServices> services_;
  // Shared with the reply in flight, which may outlive this object.
  std::shared_ptr<bool> autoInFlight_ = std::make_shared<bool>(false);
};

}  // namespace Updater
