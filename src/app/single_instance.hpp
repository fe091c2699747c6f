#pragma once
// One copy per user: a second start finds the first one's lock and leaves.

#include <filesystem>
#include <memory>

#include "app/environment.hpp"

class QLockFile;

// $XDG_RUNTIME_DIR/<bundleID>.lock when XDG_RUNTIME_DIR is an absolute path,
// else the same name in the data folder's parent.
std::filesystem::path instanceLockPath(const EnvLookup& env, const std::filesystem::path& dataDir);

class InstanceLock {
 public:
  explicit InstanceLock(const std::filesystem::path& path);
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // False while a live process holds the lock. A lock left by a process that
  // is gone does not count: it is taken over.
  bool acquire();

 private:
  std::unique_ptr<QLockFile> lock_;
};
