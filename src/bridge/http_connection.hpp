#pragma once
// One accepted TCP connection of the bridge: it collects the request, writes
// the single answer, and closes at the first of its limits.

#ifndef ASIO_NO_DEPRECATED
#define ASIO_NO_DEPRECATED
#endif

#include <asio/ip/tcp.hpp>
#include <asio/steady_timer.hpp>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "bridge/request_feed.hpp"

inline constexpr std::size_t receiveSize = 65536;
inline constexpr std::int64_t drainLimit = 1048576;
inline constexpr std::string_view interimResponse = "HTTP/1.1 100 Continue\r\n\r\n";

struct ConnectionLimits {
  std::chrono::milliseconds lifetime{10000};  // from acceptance, answered or not
  std::chrono::milliseconds linger{2000};     // from the completed write of the answer
  std::function<EpochSeconds()> now;          // stamps a reading's receipt; must be set
};

class HTTPConnection : public std::enable_shared_from_this<HTTPConnection> {
 public:
  using ReadingHandler = std::function<void(const Reading&)>;
  using CloseHandler = std::function<void(HTTPConnection&)>;

  // `scratch` receives every read before its bytes are copied into the
  // request; the server shares one among all its connections, which is safe
  // because reads only happen on the bridge thread and are consumed at once.
  HTTPConnection(asio::ip::tcp::socket socket, std::span<std::uint8_t> scratch, ConnectionLimits limits,
                 ReadingHandler onReading, CloseHandler onClose);
  HTTPConnection(const HTTPConnection&) = delete;
  HTTPConnection& operator=(const HTTPConnection&) = delete;

  // Must be called on the bridge thread, with the connection already owned
  // by a shared_ptr.
  void start();

  // Idempotent; every way a connection ends arrives here.
  void close();

  bool closed() const { return closed_; }

  // For an answered connection: reads what is already there without
  // waiting, and closes if the peer has finished. Lets the server notice a
  // client that has left before it turns a newcomer away for lack of slots.
  void reapIfFinished();

 private:
  void awaitBytes();
  void readNow();
  void receive(std::span<const std::uint8_t> data, bool complete, bool failed);
  void step();
  void send(std::string_view bytes, bool final);
  void writeQueued();
  void afterFinalWrite();
  void armTimer(asio::steady_timer& timer, std::chrono::milliseconds delay);
  void shutDownSocket();

  std::span<std::uint8_t> scratch_;
  ConnectionLimits limits_;
  ReadingHandler onReading_;
  CloseHandler onClose_;
  RequestFeed feed_;

  bool answered_ = false;
  bool closed_ = false;
  bool sentContinue_ = false;
  std::int64_t drained_ = 0;

  // The final answer is always the last bytes queued; the sending side is
  // shut down only once it has left.
  std::string outbox_;
  std::string inFlight_;
  bool writing_ = false;
  bool finalQueued_ = false;

  // Declared last so that they go first: their pending operations are
  // cancelled before the buffers they refer to disappear.
  asio::steady_timer lifetimeTimer_;
  asio::steady_timer lingerTimer_;
  asio::ip::tcp::socket socket_;
};
