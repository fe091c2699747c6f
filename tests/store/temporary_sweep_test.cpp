#include "store/temporary_sweep.hpp"

#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "store/atomic_file.hpp"
#include "store/fixtures.hpp"
#include "store/reading_store.hpp"
#include "store/state_file.hpp"
#include "store/temporary_name.hpp"
#include "store/update_store.hpp"

namespace {

namespace fs = std::filesystem;

// A forked process that never returns into the test; killed and reaped when
// the test is done with it, even after a failed assertion.
class Child {
 public:
  template <class Body>
  explicit Child(Body body) : pid_(::fork()) {
    if (pid_ != 0) return;
    body();
    ::_exit(0);
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child() { kill(); }

  pid_t pid() const { return pid_; }
  // Reaped on return, so the id no longer names a process.
  int kill() {
    int status = 0;
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, &status, 0);
    }
    pid_ = -1;
    return status;
  }

 private:
  pid_t pid_;
};

int readyPipe = -1;

void reportAndWait(int) {
  const char byte = 1;
  if (::write(readyPipe, &byte, 1) == 1)
    for (;;) ::pause();
  ::_exit(1);
}

// A real save that stops for good inside write() once `limit` bytes of its
// temporary are on disk: the file size limit raises SIGXFSZ there, and the
// handler reports through a pipe and waits to be killed. Null when the child
// never got there.
std::unique_ptr<Child> blockedWriter(const fs::path& target, rlim_t limit) {
  int fds[2];
  if (::pipe(fds) != 0) return nullptr;
  auto child = std::make_unique<Child>([&] {
    ::close(fds[0]);
    readyPipe = fds[1];
    struct sigaction action {};
    action.sa_handler = reportAndWait;
    ::sigaction(SIGXFSZ, &action, nullptr);
    rlimit size{};
    ::getrlimit(RLIMIT_FSIZE, &size);
    size.rlim_cur = limit;
    ::setrlimit(RLIMIT_FSIZE, &size);
    Store::writeAtomically(target, std::string(4096, 'x'));
  });
  ::close(fds[1]);
  pollfd ready{fds[0], POLLIN, 0};
  char byte = 0;
  const bool blocked = ::poll(&ready, 1, 10000) == 1 && ::read(fds[0], &byte, 1) == 1;
  ::close(fds[0]);
  return blocked ? std::move(child) : nullptr;
}

std::vector<std::string> names(const fs::path& folder) {
  std::vector<std::string> all;
  for (const auto& entry : fs::directory_iterator(folder)) all.push_back(entry.path().filename());
  std::sort(all.begin(), all.end());
  return all;
}

std::string oneStartingWith(const fs::path& folder, const std::string& prefix) {
  std::string found;
  for (const auto& name : names(folder))
    if (name.starts_with(prefix)) found = found.empty() ? name : "more than one";
  return found;
}

constexpr Date now = 1760421600;  // 2025-10-14 06:00:00 UTC

}  // namespace

// Each store saves through the one atomic writer: the save is checked to have
// written what it was given.
TEST(TemporarySweep, ASaveRemovesWhatAKilledWriterLeftButNotWhatALiveOneIsFilling) {
  const Reading reading{"ok", {}, "Pro", now * 1000 - 1000, now * 1000, {{"session", 42.5, {}}}};
  const UpdateState update{"https://example.org/s", now * 1000};
  const Shown shown{"42%", Tone::normal, "ok", {}, {"5-hour limit  42%"}, {}, "Pro · now", 0.425};
  struct Case {
    const char* name;
    const char* target;
    rlim_t limit;
    std::function<bool(const fs::path&)> saveAndCheck;
  };
  const Case cases[] = {
      {"last.json, killed right after creating it", "last.json", 0,
       [&](const fs::path& file) {
         Store::save(Saved{reading, reading}, file);
         return Store::load(file, now) == Saved{reading, reading};
       }},
      {"update.json, killed half-way through", "update.json", 100,
       [&](const fs::path& file) {
         UpdateStore::save(update, file);
         return UpdateStore::load(file) == update;
       }},
      {"state.json, killed half-way through", "state.json", 1000,
       [&](const fs::path& file) {
         return Store::writeState(shown, ListenState::ready(), "1.0.2", file, now) &&
                nlohmann::json::parse(readAll(file)) ==
                    Store::stateDocument(shown, ListenState::ready(), "1.0.2", now);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder tmp;
    const fs::path file = tmp / c.target;
    ASSERT_TRUE(c.saveAndCheck(file));
    const auto writer = blockedWriter(file, c.limit);
    ASSERT_TRUE(writer);
    const std::string temporary = oneStartingWith(
        tmp.path, "." + std::string(c.target) + ".tmp-" + std::to_string(writer->pid()) + "-");
    ASSERT_TRUE(fs::is_regular_file(tmp / temporary)) << temporary;
    EXPECT_EQ(fs::file_size(tmp / temporary), c.limit);

    EXPECT_TRUE(c.saveAndCheck(file));
    EXPECT_TRUE(fs::exists(tmp / temporary)) << "the writer is alive";
    const int status = writer->kill();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
    EXPECT_TRUE(fs::exists(tmp / temporary)) << "nothing has saved since";
    EXPECT_TRUE(c.saveAndCheck(file));
    EXPECT_EQ(names(tmp.path), std::vector<std::string>{c.target});
  }
}

TEST(TemporarySweep, RemovesOnlyExactTemporariesOfTheTargetWhoseWriterIsGone) {
  const Child alive([] {
    for (;;) ::pause();
  });
  Child gone([] {});
  const std::string dead = std::to_string(gone.pid());
  gone.kill();
  const std::string live = std::to_string(alive.pid()), self = std::to_string(::getpid());
  const Store::TemporaryInFlight filling(".last.json.tmp-" + self + "-4294967294-7");
  const auto fresh = std::chrono::seconds(0), old = Store::abandonedAfter + std::chrono::seconds(60),
             nearlyOld = Store::abandonedAfter - std::chrono::seconds(60);
  enum Kind { regular, folder, link };
  struct Case {
    const char* name;
    std::string file;
    std::chrono::seconds age;
    bool kept;
    Kind kind = regular;
  };
  const Case cases[] = {
      {"dead writer", ".last.json.tmp-" + dead + "-3-41", fresh, false},
      {"live process, fresh", ".last.json.tmp-" + live + "-3-41", fresh, true},
      {"live process, nearly abandoned", ".last.json.tmp-" + live + "-4-41", nearlyOld, true},
      // A killed writer whose id went to a newer process.
      {"live process, abandoned", ".last.json.tmp-" + live + "-5-41", old, false},
      {"this process, not being filled", ".last.json.tmp-" + self + "-4294967295-0", fresh, false},
      {"this process, being filled", ".last.json.tmp-" + self + "-4294967294-7", old, true},
      {"another target", ".update.json.tmp-" + dead + "-3-41", old, true},
      {"target as a suffix", ".xlast.json.tmp-" + dead + "-3-41", old, true},
      {"target as a prefix", ".last.json.1.tmp-" + dead + "-3-41", old, true},
      {"not hidden", "last.json.tmp-" + dead + "-3-41", old, true},
      {"field missing", ".last.json.tmp-" + dead + "-3", old, true},
      {"field empty", ".last.json.tmp-" + dead + "--41", old, true},
      {"field too many", ".last.json.tmp-" + dead + "-3-41-5", old, true},
      {"suffix", ".last.json.tmp-" + dead + "-3-41.swp", old, true},
      {"sign", ".last.json.tmp-+" + dead + "-3-41", old, true},
      {"leading zero", ".last.json.tmp-0" + dead + "-3-41", old, true},
      {"process id zero", ".last.json.tmp-0-3-41", old, true},
      {"process id too large", ".last.json.tmp-4294967296-3-41", old, true},
      {"serial too large", ".last.json.tmp-" + dead + "-4294967296-41", old, true},
      {"salt too large", ".last.json.tmp-" + dead + "-3-1000000", old, true},
      {"a folder", ".last.json.tmp-" + dead + "-6-41", old, true, folder},
      {"a link", ".last.json.tmp-" + dead + "-7-41", old, true, link},
  };
  TempFolder tmp;
  writeAll(tmp / "linked", "kept");
  for (const Case& c : cases) {
    const fs::path path = tmp / c.file;
    if (c.kind == folder) fs::create_directory(path);
    if (c.kind == regular) writeAll(path, "{");
    if (c.kind == link) fs::create_symlink(tmp / "linked", path);
    if (c.kind != link) fs::last_write_time(path, fs::file_time_type::clock::now() - c.age);
  }
  Store::save(Saved{}, tmp / "last.json");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(fs::exists(fs::symlink_status(tmp / c.file)), c.kept);
  }
  EXPECT_EQ(readAll(tmp / "linked"), "kept");
  EXPECT_EQ(readAll(tmp / "last.json"), "{}\n");
}

TEST(TemporarySweep, EveryNameTheWriterMakesIsRecognisedForItsTargetOnly) {
  struct Case {
    pid_t pid;
    unsigned serial, salt;
  };
  for (const Case& c : {Case{1, 0, 0}, Case{INT_MAX, UINT_MAX, 999999}, Case{4194304, 17, 12345678}}) {
    const std::string name = Store::temporaryName("last.json", c.pid, c.serial, c.salt);
    SCOPED_TRACE(name);
    EXPECT_EQ(Store::temporaryWriter(name, "last.json"), c.pid);
    EXPECT_EQ(Store::temporaryWriter(name, "last.jso"), std::nullopt);
    EXPECT_EQ(Store::temporaryWriter(name, "ast.json"), std::nullopt);
  }
}

// Every thread's save sweeps while the others are filling their temporaries.
TEST(TemporarySweep, ConcurrentSavesOfOneProcessAllSucceedAndReadersSeeWholeFiles) {
  TempFolder tmp;
  const fs::path file = tmp / "last.json";
  // A length header and a trailer make a torn or mixed file visible.
  const auto document = [](int thread, int round) {
    const std::size_t size = 1000 + (thread * 7919 + round * 104729) % 60000;
    return std::to_string(size) + "\n" + std::string(size, static_cast<char>('a' + thread)) + "\nend\n";
  };
  const auto whole = [](const std::string& bytes) {
    const std::size_t size = std::strtoul(bytes.c_str(), nullptr, 10);
    return bytes.size() == std::to_string(size).size() + size + 6 && bytes.ends_with("\nend\n");
  };
  ASSERT_TRUE(Store::writeAtomically(file, document(0, 0)));
  std::atomic<bool> done{false};
  std::atomic<int> failed{0}, torn{0};
  std::thread reader([&] {
    while (!done)
      if (!whole(readAll(file))) ++torn;
  });
  std::vector<std::thread> writers;
  for (int thread = 0; thread < 4; ++thread)
    writers.emplace_back([&, thread] {
      for (int round = 0; round < 50; ++round)
        if (!Store::writeAtomically(file, document(thread, round))) ++failed;
    });
  for (auto& writer : writers) writer.join();
  done = true;
  reader.join();
  EXPECT_EQ(failed, 0);
  EXPECT_EQ(torn, 0);
  EXPECT_EQ(names(tmp.path), std::vector<std::string>{"last.json"});
}
