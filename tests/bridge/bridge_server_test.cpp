#include "bridge/bridge_server.hpp"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bridge/loopback_client.hpp"

namespace {

const std::string noContent =
    "HTTP/1.1 204 No Content\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n";
const std::string interim = "HTTP/1.1 100 Continue\r\n\r\n";

// What the server reported, collected from its thread.
struct Recorder {
  std::mutex mutex;
  std::vector<std::string> lines;
  std::vector<ListenState> states;
  std::vector<Reading> readings;
  std::vector<std::thread::id> callbackThreads;

  std::size_t linesStartingWith(std::string_view prefix) {
    std::lock_guard lock(mutex);
    return std::count_if(lines.begin(), lines.end(),
                         [&](const std::string& l) { return l.starts_with(prefix); });
  }
  std::vector<ListenState> stateList() {
    std::lock_guard lock(mutex);
    return states;
  }
  std::size_t readingCount() {
    std::lock_guard lock(mutex);
    return readings.size();
  }
};

BridgeSettings fastSettings() {
  BridgeSettings s;
  s.port = 0;
  s.lifetime = 3s;
  s.linger = 200ms;
  s.acceptPause = 20ms;
  return s;
}

class BridgeServerTest : public ::testing::Test {
 protected:
  std::unique_ptr<BridgeServer> makeServer(BridgeSettings settings = fastSettings()) {
    settings.log = [rec = rec_](std::string_view line) {
      std::lock_guard lock(rec->mutex);
      rec->lines.emplace_back(line);
    };
    auto server = std::make_unique<BridgeServer>(std::move(settings));
    server->onState([rec = rec_](const ListenState& state) {
      std::lock_guard lock(rec->mutex);
      rec->states.push_back(state);
      rec->callbackThreads.push_back(std::this_thread::get_id());
    });
    server->onReading([rec = rec_](const Reading& reading) {
      std::lock_guard lock(rec->mutex);
      rec->readings.push_back(reading);
      rec->callbackThreads.push_back(std::this_thread::get_id());
    });
    return server;
  }

  std::unique_ptr<BridgeServer> startServer(BridgeSettings settings = fastSettings()) {
    auto server = makeServer(std::move(settings));
    server->start();
    EXPECT_TRUE(waitFor([&] { return server->port() != 0; }));
    return server;
  }

  std::shared_ptr<Recorder> rec_ = std::make_shared<Recorder>();
};

// A listening socket on a free loopback port, standing in for another program.
struct PortHolder {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  std::uint16_t port = 0;

  PortHolder() {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0 && ::listen(fd, 4) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
      port = ntohs(address.sin_port);
    }
  }
  ~PortHolder() { release(); }
  void release() {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
};

// Uses up every descriptor the process may open, under a lowered limit, and
// gives them all back when it goes.
class DescriptorFamine {
 public:
  DescriptorFamine() {
    if (::getrlimit(RLIMIT_NOFILE, &original_) != 0) return;
    rlimit low = original_;
    low.rlim_cur = std::min<rlim_t>(original_.rlim_cur, 256);
    if (::setrlimit(RLIMIT_NOFILE, &low) != 0) return;
    limited_ = true;
    for (int fd; (fd = ::dup(STDERR_FILENO)) >= 0;) fillers_.push_back(fd);
  }
  ~DescriptorFamine() {
    for (int fd : fillers_) ::close(fd);
    if (limited_) ::setrlimit(RLIMIT_NOFILE, &original_);
  }
  bool starved() const { return limited_ && !fillers_.empty() && errno == EMFILE; }
  void spareOne() {
    ::close(fillers_.back());
    fillers_.pop_back();
  }

 private:
  rlimit original_{};
  bool limited_ = false;
  std::vector<int> fillers_;
};

TEST_F(BridgeServerTest, ReportsTheReadingOnItsThreadBeforeAnswering) {
  auto server = makeServer();
  std::promise<void> release;
  std::shared_future<void> gate = release.get_future().share();
  server->onReading([rec = rec_, gate](const Reading& reading) {
    {
      std::lock_guard lock(rec->mutex);
      rec->readings.push_back(reading);
      rec->callbackThreads.push_back(std::this_thread::get_id());
    }
    gate.wait_for(3s);
  });
  server->start();
  ASSERT_TRUE(waitFor([&] { return server->port() != 0; }));

  LoopbackClient client(server->port());
  ASSERT_TRUE(client.send(usageRequest()));
  ASSERT_TRUE(waitFor([&] { return rec_->readingCount() == 1; }));
  EXPECT_EQ(client.readFor(100ms).bytes, "")
      << "answer written while the reading was still being handed over";
  release.set_value();

  auto got = client.readUntilClosed();
  EXPECT_EQ(got.bytes, noContent);
  EXPECT_TRUE(got.closed);
  EXPECT_TRUE(waitFor([&] { return server->liveConnections() == 0; }, 1s));

  std::lock_guard lock(rec_->mutex);
  ASSERT_EQ(rec_->readings.size(), 1u);
  EXPECT_EQ(rec_->readings[0].status, "ok");
  ASSERT_EQ(rec_->readings[0].windows.size(), 2u);
  EXPECT_EQ(rec_->states, std::vector<ListenState>{ListenState::ready()});
  for (auto id : rec_->callbackThreads) EXPECT_NE(id, std::this_thread::get_id());
}

TEST_F(BridgeServerTest, EveryAnswerIsWrittenOnceThenTheConnectionCloses) {
  struct Case {
    const char* name;
    std::string request;
    std::string statusLine;
    std::size_t readings;
  } cases[] = {
      {"reading", usageRequest(), "HTTP/1.1 204 No Content\r\n", 1},
      {"ping", pingRequest(), "HTTP/1.1 200 OK\r\n", 0},
      {"foreign origin",
       "POST /usage HTTP/1.1\r\nHost: localhost\r\nOrigin: https://example.com\r\nX-Quotalume: 1\r\n"
       "Content-Type: application/json\r\nContent-Length: 2\r\n\r\n{}",
       "HTTP/1.1 403 Forbidden\r\n", 0},
      {"unknown path", "GET /nope HTTP/1.1\r\nHost: localhost\r\n\r\n", "HTTP/1.1 404 Not Found\r\n", 0},
      {"announced body too large, no body sent",
       "POST /usage HTTP/1.1\r\nHost: localhost\r\nOrigin: chrome-extension://a\r\nX-Quotalume: 1\r\n"
       "Content-Type: application/json\r\nContent-Length: 70000\r\n\r\n",
       "HTTP/1.1 413 Payload Too Large\r\n", 0},
      {"body is not a reading",
       "POST /usage HTTP/1.1\r\nHost: localhost\r\nOrigin: chrome-extension://a\r\nX-Quotalume: 1\r\n"
       "Content-Type: application/json\r\nContent-Length: 18\r\n\r\n{\"status\":\"maybe\"}",
       "HTTP/1.1 400 Bad Request\r\n", 0},
      {"malformed head", "GET /ping HTTP/2.0\r\n\r\n", "HTTP/1.1 400 Bad Request\r\n", 0},
  };
  auto server = startServer();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::size_t before = rec_->readingCount();
    LoopbackClient client(server->port());
    ASSERT_TRUE(client.send(c.request));
    // The client keeps its end open: the server must close on its own.
    auto got = client.readUntilClosed();
    EXPECT_TRUE(got.bytes.starts_with(c.statusLine)) << got.bytes;
    EXPECT_TRUE(got.closed);
    EXPECT_FALSE(got.reset);
    EXPECT_EQ(rec_->readingCount() - before, c.readings);
    EXPECT_TRUE(waitFor([&] { return server->liveConnections() == 0; }, 1s));
  }
}

TEST_F(BridgeServerTest, ByteByByteRequestIsAnsweredWhenTheLastByteArrives) {
  auto server = startServer();
  LoopbackClient client(server->port());
  const std::string request = usageRequest();
  for (std::size_t i = 0; i + 1 < request.size(); ++i) {
    ASSERT_TRUE(client.send(request.substr(i, 1)));
    if (i % 16 == 0) std::this_thread::sleep_for(1ms);
  }
  EXPECT_EQ(client.readFor(50ms).bytes, "");
  EXPECT_EQ(rec_->readingCount(), 0u);

  ASSERT_TRUE(client.send(request.substr(request.size() - 1)));
  EXPECT_EQ(client.readUntilClosed().bytes, noContent);
  EXPECT_EQ(rec_->readingCount(), 1u);
}

TEST_F(BridgeServerTest, ContinueIsSentOnceBeforeTheBodyArrives) {
  auto server = startServer();
  LoopbackClient client(server->port());
  const std::string request = usageRequest("Expect: 100-continue\r\n");
  const std::size_t bodyAt = request.find("\r\n\r\n") + 4;
  const std::string body = request.substr(bodyAt);

  ASSERT_TRUE(client.send(request.substr(0, bodyAt)));
  EXPECT_EQ(client.readFor(1s, interim.size()).bytes, interim);
  ASSERT_TRUE(client.send(body.substr(0, 10)));
  EXPECT_EQ(client.readFor(30ms).bytes, "");
  ASSERT_TRUE(client.send(body.substr(10, 20)));
  EXPECT_EQ(client.readFor(30ms).bytes, "");
  ASSERT_TRUE(client.send(body.substr(30)));
  EXPECT_EQ(client.readUntilClosed().bytes, noContent);
  EXPECT_EQ(rec_->readingCount(), 1u);
}

TEST_F(BridgeServerTest, SilentClientIsClosedAtTheLifetimeWithoutAByte) {
  auto settings = fastSettings();
  settings.lifetime = 300ms;
  auto server = startServer(settings);
  LoopbackClient client(server->port());
  auto opened = std::chrono::steady_clock::now();
  auto got = client.readUntilClosed(3s);
  auto waited = std::chrono::steady_clock::now() - opened;
  EXPECT_TRUE(got.closed);
  EXPECT_EQ(got.bytes, "");
  EXPECT_GE(waited, 250ms);
  EXPECT_LT(waited, 2s);
  EXPECT_TRUE(waitFor([&] { return server->liveConnections() == 0; }, 1s));
}

TEST_F(BridgeServerTest, BytesAfterTheAnswerAreDrainedUpToTheLimit) {
  struct Case {
    const char* name;
    std::size_t extra;
    bool cutOff;
  } cases[] = {
      {"half the limit", 512 * 1024, false},
      {"twice the limit", 2 * 1024 * 1024, true},
  };
  auto settings = fastSettings();
  settings.lifetime = 20s;
  settings.linger = 10s;  // so only the drain limit can end the connection early
  auto server = startServer(settings);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LoopbackClient client(server->port());
    ASSERT_TRUE(client.send(usageRequest()));
    ASSERT_EQ(client.readUntilClosed(1s).bytes, noContent);

    const std::string chunk(64 * 1024, 'x');
    for (std::size_t sent = 0; sent < c.extra && client.send(chunk); sent += chunk.size()) {
    }
    if (c.cutOff) {
      EXPECT_TRUE(waitFor([&] { return server->liveConnections() == 0; }, 2s));
    } else {
      std::this_thread::sleep_for(100ms);
      EXPECT_EQ(server->liveConnections(), 1u);
    }
    client.close();
    ASSERT_TRUE(waitFor([&] { return server->liveConnections() == 0; }, 1s));
  }
}

TEST_F(BridgeServerTest, SeventeenthClientIsTurnedAwayUntilASlotFrees) {
  auto settings = fastSettings();
  settings.lifetime = 20s;
  auto server = startServer(settings);
  std::vector<std::unique_ptr<LoopbackClient>> holders;
  for (std::size_t i = 0; i < maxLiveConnections; ++i) {
    holders.push_back(std::make_unique<LoopbackClient>(server->port()));
  }
  ASSERT_TRUE(waitFor([&] { return server->liveConnections() == maxLiveConnections; }));

  LoopbackClient extra(server->port());
  auto got = extra.readUntilClosed(1s);
  EXPECT_TRUE(got.closed);
  EXPECT_EQ(got.bytes, "");
  EXPECT_EQ(server->liveConnections(), maxLiveConnections);

  holders.front()->close();
  ASSERT_TRUE(waitFor([&] { return server->liveConnections() == maxLiveConnections - 1; }));
  EXPECT_TRUE(answersPing(server->port()));
}

TEST_F(BridgeServerTest, ClientReconnectingRightAfterItsAnswerFindsASlot) {
  auto settings = fastSettings();
  settings.lifetime = 20s;
  settings.linger = 10s;
  auto server = makeServer(settings);
  std::promise<void> release;
  std::shared_future<void> gate = release.get_future().share();
  server->onReading([gate](const Reading&) { gate.wait_for(3s); });
  server->start();
  ASSERT_TRUE(waitFor([&] { return server->port() != 0; }));

  std::vector<std::unique_ptr<LoopbackClient>> idle;
  for (std::size_t i = 0; i + 2 < maxLiveConnections; ++i) {
    idle.push_back(std::make_unique<LoopbackClient>(server->port()));
  }
  LoopbackClient leaving(server->port());
  ASSERT_TRUE(leaving.send(pingRequest()));
  ASSERT_TRUE(leaving.readFor(1s, 10).bytes.starts_with("HTTP/1.1 200"));
  LoopbackClient blocking(server->port());
  ASSERT_TRUE(waitFor([&] { return server->liveConnections() == maxLiveConnections; }));

  // With the bridge thread held inside a callback, the newcomer's arrival is
  // queued ahead of the end of the connection it replaces.
  ASSERT_TRUE(blocking.send(usageRequest()));
  std::this_thread::sleep_for(20ms);
  LoopbackClient newcomer(server->port());
  std::this_thread::sleep_for(5ms);
  leaving.close();
  std::this_thread::sleep_for(5ms);
  release.set_value();

  ASSERT_TRUE(newcomer.send(pingRequest()));
  auto got = newcomer.readUntilClosed();
  EXPECT_TRUE(got.bytes.starts_with("HTTP/1.1 200 OK\r\n")) << got.bytes;
}

TEST_F(BridgeServerTest, ResetsAndHalfClosesLeaveNoConnectionBehind) {
  const std::string request = usageRequest();
  const std::string half = request.substr(0, request.size() / 2);
  struct Case {
    const char* name;
    std::function<void(LoopbackClient&)> act;
  } cases[] = {
      {"reset mid-request",
       [&](LoopbackClient& c) {
         ASSERT_TRUE(c.send(half));
         c.abort();
       }},
      {"half-close mid-request",
       [&](LoopbackClient& c) {
         ASSERT_TRUE(c.send(half));
         c.shutdownWrite();
         auto got = c.readUntilClosed();
         EXPECT_EQ(got.bytes, "");
         EXPECT_TRUE(got.closed);
       }},
      {"reset after the answer",
       [&](LoopbackClient& c) {
         ASSERT_TRUE(c.send(request));
         EXPECT_EQ(c.readFor(1s, noContent.size()).bytes, noContent);
         c.abort();
       }},
      {"reset with the request",
       [&](LoopbackClient& c) {
         ASSERT_TRUE(c.send(request));
         c.abort();
       }},
  };
  auto settings = fastSettings();
  settings.linger = 10s;
  settings.lifetime = 20s;  // only the client's own act may end these connections
  auto server = startServer(settings);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LoopbackClient client(server->port());
    ASSERT_TRUE(waitFor([&] { return server->liveConnections() == 1; }));
    c.act(client);
    EXPECT_TRUE(waitFor([&] { return server->liveConnections() == 0; }, 1s));
  }
  EXPECT_TRUE(answersPing(server->port()));
}

TEST_F(BridgeServerTest, HalfCloseRightAfterTheRequestStillGetsTheWholeAnswer) {
  auto settings = fastSettings();
  settings.linger = 10s;
  auto server = startServer(settings);
  constexpr int rounds = 40;
  for (int i = 0; i < rounds; ++i) {
    SCOPED_TRACE(i);
    LoopbackClient client(server->port());
    // Request and FIN leave back to back, so the server usually sees both
    // before it first reads.
    ASSERT_TRUE(client.send(usageRequest()));
    client.shutdownWrite();
    auto got = client.readUntilClosed();
    EXPECT_EQ(got.bytes, noContent);
    EXPECT_FALSE(got.reset);
  }
  EXPECT_EQ(rec_->readingCount(), static_cast<std::size_t>(rounds));
  EXPECT_TRUE(waitFor([&] { return server->liveConnections() == 0; }, 1s));
}

TEST_F(BridgeServerTest, TakenPortReportsBusyAndARetryAfterItIsFreedSucceeds) {
  PortHolder holder;
  ASSERT_NE(holder.port, 0);
  auto settings = fastSettings();
  settings.port = holder.port;
  auto server = makeServer(settings);
  server->start();
  ASSERT_TRUE(waitFor([&] { return !rec_->stateList().empty(); }));
  EXPECT_EQ(rec_->stateList(), std::vector<ListenState>{ListenState::busy()});
  EXPECT_EQ(rec_->linesStartingWith("listener init failed: "), 1u);
  EXPECT_EQ(server->port(), 0);

  holder.release();
  server->start();
  ASSERT_TRUE(waitFor([&] { return rec_->stateList().size() == 2; }));
  const std::string listening = "listening 127.0.0.1:" + std::to_string(holder.port);
  EXPECT_EQ(rec_->linesStartingWith(listening), 1u);
  EXPECT_EQ(server->port(), holder.port);

  server->start();
  server->start();
  EXPECT_TRUE(answersPing(holder.port));
  EXPECT_EQ(rec_->linesStartingWith("listening "), 1u);
  EXPECT_EQ(rec_->linesStartingWith("listener init failed: "), 1u);
  EXPECT_EQ(rec_->stateList(), (std::vector<ListenState>{ListenState::busy(), ListenState::ready()}));
}

TEST_F(BridgeServerTest, RunningOutOfDescriptorsPausesAcceptingWithOneLogLine) {
  auto server = startServer();
  std::unique_ptr<LoopbackClient> client;
  {
    DescriptorFamine famine;
    ASSERT_TRUE(famine.starved());
    // The client's own socket takes the last free descriptor, leaving none for accept.
    famine.spareOne();
    client = std::make_unique<LoopbackClient>(server->port());
    ASSERT_TRUE(client->connected());

    ASSERT_TRUE(waitFor([&] { return rec_->linesStartingWith("listener paused: ") == 1; }));
    std::this_thread::sleep_for(200ms);  // about ten retry periods
    EXPECT_EQ(rec_->linesStartingWith("listener paused: "), 1u);
    EXPECT_EQ(server->liveConnections(), 0u);
  }
  ASSERT_TRUE(client->send(pingRequest()));
  EXPECT_TRUE(client->readUntilClosed().bytes.starts_with("HTTP/1.1 200 OK\r\n"));
  EXPECT_EQ(rec_->stateList(), std::vector<ListenState>{ListenState::ready()});
}

TEST_F(BridgeServerTest, DestructionWithLiveConnectionsAndPendingTimersIsClean) {
  auto settings = fastSettings();
  settings.lifetime = 20s;
  settings.linger = 10s;
  auto server = startServer(settings);
  const std::string request = usageRequest("Expect: 100-continue\r\n");

  LoopbackClient partial(server->port());
  ASSERT_TRUE(partial.send(request.substr(0, 20)));
  LoopbackClient waitingForBody(server->port());
  ASSERT_TRUE(waitingForBody.send(request.substr(0, request.find("\r\n\r\n") + 4)));
  EXPECT_EQ(waitingForBody.readFor(1s, interim.size()).bytes, interim);
  LoopbackClient lingering(server->port());
  ASSERT_TRUE(lingering.send(usageRequest()));
  EXPECT_EQ(lingering.readFor(1s, noContent.size()).bytes, noContent);
  ASSERT_TRUE(waitFor([&] { return server->liveConnections() == 3; }));

  auto before = std::chrono::steady_clock::now();
  server.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - before, 1s);
  for (auto* client : {&partial, &waitingForBody, &lingering})
    EXPECT_TRUE(client->readUntilClosed(1s).closed);
}

// An error whose text is longer than a listen state may carry.
class WordyCategory : public std::error_category {
 public:
  const char* name() const noexcept override { return "wordy"; }
  std::string message(int value) const override {
    return value == 1 ? std::string(45, 'a') : std::string(39, 'b') + "\xC3\xA9tre et plus encore";
  }
};

TEST(ListenerErrors, ClassifyNamesTheTakenPortAndCutsOtherTexts) {
  static const WordyCategory wordy;
  struct Case {
    const char* name;
    std::error_code error;
    ListenState want;
  } cases[] = {
      {"address in use", std::make_error_code(std::errc::address_in_use), ListenState::busy()},
      {"address in use as raw errno", std::error_code(EADDRINUSE, std::system_category()),
       ListenState::busy()},
      {"permission", std::error_code(EACCES, std::system_category()),
       ListenState::failed("Permission denied")},
      {"long text", std::error_code(1, wordy), ListenState::failed(std::string(40, 'a'))},
      {"cut after a two-byte character", std::error_code(2, wordy),
       ListenState::failed(std::string(39, 'b') + "\xC3\xA9")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(classify(c.error), c.want) << classify(c.error).text;
  }
}

TEST(ListenerErrors, AcceptErrorsKeepTheListenerUnlessItIsBroken) {
  struct Case {
    int error;
    AcceptFault want;
  } cases[] = {
      {ECANCELED, AcceptFault::stopped}, {ECONNABORTED, AcceptFault::transient},
      {EINTR, AcceptFault::transient},   {EPROTO, AcceptFault::transient},
      {EMFILE, AcceptFault::exhausted},  {ENFILE, AcceptFault::exhausted},
      {ENOBUFS, AcceptFault::exhausted}, {EBADF, AcceptFault::broken},
      {EINVAL, AcceptFault::broken},     {ENOTSOCK, AcceptFault::broken},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    EXPECT_EQ(classifyAcceptError(std::error_code(c.error, std::system_category())), c.want);
  }
}

}  // namespace
