#pragma once
// A plain blocking TCP client on 127.0.0.1 for driving the bridge from tests,
// with every wait bounded by a deadline.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

using namespace std::chrono_literals;

class LoopbackClient {
 public:
  explicit LoopbackClient(std::uint16_t port);
  ~LoopbackClient();
  LoopbackClient(const LoopbackClient&) = delete;
  LoopbackClient& operator=(const LoopbackClient&) = delete;

  bool connected() const { return fd_ >= 0 && connected_; }

  // False once the peer has refused more bytes (reset or closed).
  bool send(std::string_view bytes);
  void shutdownWrite();
  // Closes with an RST instead of a FIN.
  void abort();
  void close();

  struct Received {
    std::string bytes;
    bool closed = false;  // end of stream or reset seen
    bool reset = false;
  };
  // Reads until the peer closes or the deadline passes.
  Received readUntilClosed(std::chrono::milliseconds limit = 3s);
  // Reads whatever arrives within `window`; returns early after `want` bytes.
  Received readFor(std::chrono::milliseconds window, std::size_t want = SIZE_MAX);

 private:
  int fd_ = -1;
  bool connected_ = false;
};

// Polls `done` until it holds or `limit` passes; returns its last value.
bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = 3s);

// A well-formed POST /usage carrying a valid reading.
std::string usageRequest(std::string_view extraHeaders = "");
std::string pingRequest();

// Opens a fresh connection, pings and checks for a 200 answer.
bool answersPing(std::uint16_t port);
