#include "bridge/bridge_server.hpp"

#include <arpa/inet.h>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>
#include <asio/error.hpp>

#include <atomic>
#include <cerrno>
#include <future>
#include <mutex>
#include <thread>
#include <utility>

#include "base/wall_clock.hpp"
#include "bridge/request_samples.hpp"

// Every socket this program makes passes here; one made without
// close-on-exec, or by plain accept, is inheritable until fcntl.
std::atomic<int> inheritableSockets{0};

extern "C" int socket(int domain, int type, int protocol) noexcept {
  if ((type & SOCK_CLOEXEC) == 0) ++inheritableSockets;
  static const auto real = reinterpret_cast<int (*)(int, int, int)>(::dlsym(RTLD_NEXT, "socket"));
  return real(domain, type, protocol);
}

extern "C" int accept(int fd, sockaddr* address, socklen_t* length) {
  ++inheritableSockets;
  static const auto real =
      reinterpret_cast<int (*)(int, sockaddr*, socklen_t*)>(::dlsym(RTLD_NEXT, "accept"));
  return real(fd, address, length);
}

namespace {

using namespace std::chrono_literals;
using std::chrono::milliseconds;

const std::string reading = samples::usage(R"({"v":1,"status":"ok","windows":[{"key":"session","pct":4}]})");
const std::string interim = "HTTP/1.1 100 Continue\r\n\r\n", closed = "(closed)";

bool waitFor(const std::function<bool()>& done, milliseconds limit = 3s) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done() && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(2ms);
  return done();
}

// A blocking loopback client whose every wait is bounded.
struct Client {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);

  explicit Client(std::uint16_t port) {
    const sockaddr_in to{AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
    ::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to);
  }
  ~Client() { close(); }
  void close() { ::close(std::exchange(fd, -1)); }
  bool send(std::string_view bytes) {
    return ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
  }
  // Reads until the peer closes (marked by `closed`), `want` bytes are in, or nothing came for `window`.
  std::string read(milliseconds window = 3s, std::size_t want = SIZE_MAX) {
    const timeval limit{window.count() / 1000, window.count() % 1000 * 1000};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    std::string got;
    char chunk[65536];
    ssize_t n = 1;  // nothing read yet, nothing closed
    while (got.size() < want && (n = ::recv(fd, chunk, sizeof chunk, 0)) > 0) got.append(chunk, n);
    return n == 0 || (n < 0 && errno == ECONNRESET) ? got + closed : got;
  }
};

class BridgeServerTest : public ::testing::Test {
 protected:
  // `then` runs on the bridge thread after each reading is recorded.
  void start(std::function<void()> then = [] {}) {
    settings.log = [this](std::string_view line) { add(std::string(line)); };
    server = std::make_unique<BridgeServer>(settings);
    server->onState([this](const ListenState& state) {
      add(state == ListenState::ready() ? "state ready" : "state other");
    });
    server->onReading([this, then](const Reading&) {
      add("reading");
      then();
    });
    server->start();
    ASSERT_TRUE(waitFor([&] { return count("state ") > 0; }));
  }
  // What the server reports, in order; a callback run on the test's own thread leaves a mark.
  void add(std::string event) {
    std::lock_guard lock(mutex);
    if (std::this_thread::get_id() == tester) events.push_back("on the test thread");
    events.push_back(std::move(event));
  }
  std::size_t count(std::string_view prefix) {
    std::lock_guard lock(mutex);
    return std::count_if(events.begin(), events.end(), [&](auto& e) { return e.starts_with(prefix); });
  }
  std::uint16_t port() const { return server->port(); }
  bool holds(std::size_t n, milliseconds limit = 3s) {
    return waitFor([&] { return server->liveConnections() == n; }, limit);
  }

  // Long limits, so that only those a test shortens end its connections.
  BridgeSettings settings{
      .port = 0, .lifetime = 20s, .linger = 10s, .acceptPause = 20ms, .now = wallClockNow, .log = {}};
  std::mutex mutex;
  std::vector<std::string> events;
  const std::thread::id tester = std::this_thread::get_id();
  std::unique_ptr<BridgeServer> server;  // last, so that it goes first
};

TEST_F(BridgeServerTest, ReportsTheReadingThenAnswersAWholeRequestOnceAndCloses) {
  settings.linger = 200ms;  // the only limit that may close it
  std::promise<void> release;
  start([gate = release.get_future().share()] { gate.wait_for(3s); });
  Client client(port());
  ASSERT_TRUE(client.send(reading));
  ASSERT_TRUE(waitFor([&] { return count("reading") == 1; }));
  EXPECT_EQ(client.read(100ms), "") << "answered while the reading was being handed over";
  release.set_value();
  // The client keeps its end open: the server must close on its own.
  EXPECT_EQ(client.read(), std::string(wire::noContent) + closed);
  EXPECT_TRUE(holds(0));
  EXPECT_EQ(count("state ready"), 1u);
  EXPECT_EQ(count("on the test thread"), 0u);

  Client piecemeal(port());
  const std::string request = samples::usage(R"({"status":"ok","windows":[]})", "expect: 100-CONTINUE\r\n");
  // The body in tens after the head: nothing but one interim answer before the last byte.
  std::size_t at = samples::headOf(request).size();
  ASSERT_TRUE(piecemeal.send(request.substr(0, at)));
  EXPECT_EQ(piecemeal.read(1s, interim.size()), interim);
  for (; at + 10 < request.size(); at += 10) {
    ASSERT_TRUE(piecemeal.send(request.substr(at, 10)));
    EXPECT_EQ(piecemeal.read(20ms), "");
  }
  ASSERT_TRUE(piecemeal.send(request.substr(at)));
  EXPECT_EQ(piecemeal.read(1s, wire::noContent.size()), wire::noContent);
}

TEST_F(BridgeServerTest, SilentClientsMeetTheLifetimeChattyOnesTheDrainLimit) {
  // The linger stays long, so only the drain limit can end an answered connection early.
  settings.lifetime = 1s;
  start();
  Client silent(port());
  const auto opened = std::chrono::steady_clock::now();
  for (std::size_t extra : {512u * 1024, 2u * 1024 * 1024}) {
    SCOPED_TRACE(extra);
    Client client(port());
    ASSERT_TRUE(client.send(reading));
    ASSERT_EQ(client.read(1s, wire::noContent.size()), wire::noContent);
    const std::string chunk(64 * 1024, 'x');
    for (std::size_t sent = 0; sent < extra && client.send(chunk); sent += chunk.size()) {
    }
    std::this_thread::sleep_for(50ms);  // judged well before the lifetime ends
    EXPECT_TRUE(holds(extra > 1024 * 1024 ? 1 : 2, 300ms));
  }
  EXPECT_EQ(silent.read(), closed);
  EXPECT_GE(std::chrono::steady_clock::now() - opened, 900ms);
}

TEST_F(BridgeServerTest, SeventeenthClientIsTurnedAwayButOneReconnectingRightAfterItsAnswerFindsASlot) {
  std::promise<void> release;
  start([gate = release.get_future().share()] { gate.wait_for(3s); });
  std::vector<std::unique_ptr<Client>> idle;
  while (idle.size() + 2 < maxLiveConnections) idle.push_back(std::make_unique<Client>(port()));
  Client leaving(port());
  ASSERT_TRUE(leaving.send(samples::ping()));
  ASSERT_EQ(leaving.read(1s, wire::ping.size()), wire::ping);
  Client blocking(port());
  ASSERT_TRUE(holds(maxLiveConnections));
  EXPECT_EQ(Client(port()).read(1s), closed);
  // With the bridge thread held inside a callback, the newcomer's arrival is
  // queued ahead of the end of the connection it replaces.
  ASSERT_TRUE(blocking.send(reading));
  std::this_thread::sleep_for(20ms);
  Client newcomer(port());
  std::this_thread::sleep_for(5ms);
  leaving.close();
  std::this_thread::sleep_for(5ms);
  release.set_value();
  ASSERT_TRUE(newcomer.send(samples::ping()));
  EXPECT_EQ(newcomer.read(1s, wire::ping.size()), wire::ping);
  // Going away with waiting and lingering connections and their timers pending closes them all.
  server.reset();
  EXPECT_EQ(idle.back()->read(1s), closed);
}

TEST_F(BridgeServerTest, ResetsAndHalfClosesLeaveNoConnectionBehindAndHalfClosersGetTheirAnswer) {
  start();  // only the client's own act may end these connections
  const std::string half = reading.substr(0, reading.size() / 2);
  // Sent, its answer, and whether the client then resets or half-closes.
  const std::tuple<std::string, std::string_view, bool> cases[] = {{half, "", true},
                                                                   {half, "", false},
                                                                   {reading, wire::noContent, true},
                                                                   {reading, wire::noContent, false}};
  // Repeated, because a FIN right behind the request is usually, not always, seen at the server's first read.
  for (int round = 0; round < 40; ++round) {
    for (const auto& [sent, answer, reset] : cases) {
      SCOPED_TRACE(testing::Message() << round << ": " << sent.size() << (reset ? " reset" : " half-closed"));
      Client client(port());
      ASSERT_TRUE(holds(1));
      ASSERT_TRUE(client.send(sent));
      if (reset) {
        EXPECT_EQ(client.read(1s, answer.size()), answer);
        const linger hard{1, 0};  // an RST instead of a FIN
        ::setsockopt(client.fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        client.close();
      } else {
        ::shutdown(client.fd, SHUT_WR);
        EXPECT_EQ(client.read(), std::string(answer) + closed);
      }
      ASSERT_TRUE(holds(0));
    }
  }
  EXPECT_EQ(count("reading"), 80u);
}

// The app starts other programs, the next version of itself among them; a
// listener or connection they inherited, even for a moment, would hold the
// port against it.
TEST_F(BridgeServerTest, NoSocketIsPassedToAStartedProgram) {
  inheritableSockets = 0;
  start();
  Client client(port());
  ASSERT_TRUE(client.send(samples::ping()) && client.read(1s, wire::ping.size()) == wire::ping);
  EXPECT_EQ(inheritableSockets, 0);
}

TEST_F(BridgeServerTest, RunningOutOfDescriptorsPausesAcceptingWithOneLogLine) {
  start();
  rlimit original{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &original), 0);
  const rlimit low{std::min<rlim_t>(original.rlim_cur, 256), original.rlim_max};
  // The sanitizer first checks a category's type with a descriptor of its own: while there are some.
  EXPECT_EQ(classifyAcceptError({EMFILE, asio::error::get_system_category()}), AcceptFault::exhausted);
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
  std::vector<int> fillers;
  for (int fd; (fd = ::dup(STDERR_FILENO)) >= 0;) fillers.push_back(fd);
  ASSERT_EQ(errno, EMFILE);
  // The client's own socket takes the last free descriptor, leaving none for accept.
  ::close(fillers.back());
  fillers.pop_back();
  Client client(port());
  EXPECT_TRUE(waitFor([&] { return count("listener paused: ") == 1; }));
  std::this_thread::sleep_for(200ms);  // about ten retry periods: no spinning, no more lines
  EXPECT_EQ(count("listener paused: "), 1u);
  for (int fd : fillers) ::close(fd);
  ::setrlimit(RLIMIT_NOFILE, &original);
  ASSERT_TRUE(client.send(samples::ping()));
  EXPECT_EQ(client.read(1s, wire::ping.size()), wire::ping);
}

TEST(ListenerErrors, FailureTextsAreCutAtFortyCharacters) {
  struct Wordy : std::error_category {
    const char* name() const noexcept override { return "wordy"; }
    // The fortieth character is an accented e, written as one scalar or as two.
    std::string message(int ev) const override {
      return std::string(39, 'b') + (ev == 1 ? "\xC3\xA9" : "e\xCC\x81") + "tre et plus encore";
    }
  } static const wordy;
  EXPECT_EQ(classify(std::error_code(1, wordy)), ListenState::failed(std::string(39, 'b') + "\xC3\xA9"));
  EXPECT_EQ(classify(std::error_code(2, wordy)), ListenState::failed(std::string(39, 'b') + "e\xCC\x81"));
}

}  // namespace
