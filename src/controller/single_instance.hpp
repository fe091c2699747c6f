#pragma once
// One copy per user: a second start finds the first one's lock and leaves.

#include <filesystem>
#include <optional>

#include "store/paths.hpp"

// $XDG_RUNTIME_DIR/<appId>.lock when XDG_RUNTIME_DIR is an absolute path,
// else the same name in the data folder's parent.
std::filesystem::path instanceLockPath(const Store::EnvLookup& env, const std::filesystem::path& dataDir);

// An flock(2) on the lock file, held through a descriptor that stays open for
// the life of the process, so the kernel lets go when the process ends
// however it ends; what the file holds never matters.
class InstanceLock {
 public:
  explicit InstanceLock(std::filesystem::path path);
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // False only while another live process holds the lock.
  bool acquire();
  // The pid the holder wrote into the file; absent when it wrote none.
  std::optional<long> holder() const;

 private:
  std::filesystem::path path_;
  int fd_ = -1;
};
