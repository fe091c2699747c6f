// The one-copy lock: where it lives and who may hold it.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>

#include <sys/wait.h>
#include <unistd.h>

#include <QTemporaryDir>

#include "controller/single_instance.hpp"

namespace {

std::filesystem::path tempPath(const QTemporaryDir& dir) {
  return dir.path().toStdString();
}

TEST(InstanceLock, FollowsAnAbsoluteRuntimeFolder) {
  const auto lock = [](std::map<std::string, std::string> env) {
    return instanceLockPath(Store::fixedEnvironment(env), "/d/Quotalume");
  };
  EXPECT_EQ(lock({{"XDG_RUNTIME_DIR", "/run/user/1"}}), "/run/user/1/kr.co.fernhallow.Quotalume.lock");
  EXPECT_EQ(lock({{"XDG_RUNTIME_DIR", "run/user/1"}}), "/d/kr.co.fernhallow.Quotalume.lock");
}

// Only a live holder keeps a second copy out: whatever a dead one, a power
// cut or anybody else left at the lock's place is taken over, and a symlink
// there is replaced, not followed.
TEST(InstanceLock, OnlyALiveCopyHoldsIt) {
  namespace fs = std::filesystem;
  QTemporaryDir dir;
  const auto path = tempPath(dir) / "run" / "q.lock", other = tempPath(dir) / "other";
  {
    InstanceLock first(path);
    ASSERT_TRUE(first.acquire());
    InstanceLock second(path);
    EXPECT_FALSE(second.acquire());
  }
  EXPECT_FALSE(fs::exists(fs::symlink_status(path))) << "a clean quit takes its lock file away";
  const std::pair<const char*, std::function<void()>> leftovers[] = {
      {"a copy killed before cleaning up",
       [&] {
         if (fork() == 0) {
           InstanceLock lock(path);
           _exit(lock.acquire() ? 0 : 1);  // no destructor: the file stays
         }
         wait(nullptr);
       }},
      {"an empty file", [&] { std::ofstream{path}; }},
      {"garbage", [&] { std::ofstream(path) << "\177ELF\n-1\n"; }},
      {"a dangling symlink", [&] { fs::create_symlink(tempPath(dir) / "gone", path); }},
      {"a symlink to another file", [&] { fs::create_symlink(other, path); }},
      {"a folder", [&] { fs::create_directory(path); }},
  };
  std::ofstream(other) << "keep";
  for (const auto& [name, plant] : leftovers) {
    SCOPED_TRACE(name);
    plant();
    ASSERT_TRUE(fs::exists(fs::symlink_status(path)));
    InstanceLock lock(path);
    EXPECT_TRUE(lock.acquire());
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(path)));
    InstanceLock second(path);
    EXPECT_FALSE(second.acquire());
  }
  std::ifstream in(other);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "keep");
  fs::remove(path);
  fs::create_directories(path / "kept");  // cannot be replaced, so it is what is locked
  InstanceLock lock(path), second(path);
  EXPECT_TRUE(lock.acquire());
  EXPECT_FALSE(second.acquire());
}

}  // namespace
