#include "app/single_instance.hpp"

#include <system_error>

#include <QLockFile>
#include <QString>

#include "app/app_identity.hpp"

std::filesystem::path instanceLockPath(const EnvLookup& env, const std::filesystem::path& dataDir) {
  const std::string name = std::string(bundleID) + ".lock";
  if (auto runtime = env("XDG_RUNTIME_DIR"); runtime && std::filesystem::path(*runtime).is_absolute())
    return std::filesystem::path(*runtime) / name;
  return dataDir.parent_path() / name;
}

InstanceLock::InstanceLock(const std::filesystem::path& path) {
  std::error_code ignored;
  std::filesystem::create_directories(path.parent_path(), ignored);
  lock_ = std::make_unique<QLockFile>(QString::fromStdString(path.string()));
  // The app runs for days; only a dead holder makes the lock stale, never its age.
  lock_->setStaleLockTime(0);
}

InstanceLock::~InstanceLock() = default;

bool InstanceLock::acquire() {
  return lock_->tryLock(0);
}
