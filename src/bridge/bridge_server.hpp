#pragma once
// The loopback listener the browser extension posts its readings to. All of
// its work runs on one thread it owns; the application only starts it and
// receives readings and health reports through the two callbacks.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <system_error>

#include "base/epoch_seconds.hpp"
#include "bridge/listen_state.hpp"
#include "bridge/request_processing.hpp"

inline constexpr std::size_t maxLiveConnections = 16;

struct BridgeSettings {
  std::uint16_t port = bridgePort;  // 0 binds a free port (tests)
  std::chrono::milliseconds lifetime{10000};
  std::chrono::milliseconds linger{2000};
  // How long accepting rests when the process runs out of descriptors.
  std::chrono::milliseconds acceptPause{250};
  // The clock that stamps each reading's receipt; the caller hands it in, so
  // that the bridge never reads the time itself.
  std::function<EpochSeconds()> now;
  // Where the listener's lines go (the application log, which lies above
  // the bridge); empty drops them.
  std::function<void(std::string_view)> log;
};

class BridgeServer {
 public:
  explicit BridgeServer(BridgeSettings settings = {});
  // Stops the bridge thread, then closes every connection and timer. Not to
  // be called from inside one of the callbacks, which run on that thread.
  ~BridgeServer();
  BridgeServer(const BridgeServer&) = delete;
  BridgeServer& operator=(const BridgeServer&) = delete;

  // Returns at once; the listener is created on the bridge thread unless one
  // already exists. Call again after `busy` or `failed` to retry.
  void start();

  // Both handlers run on the bridge thread. Setting them is queued behind
  // earlier calls, so handlers set before start() see every report.
  void onState(std::function<void(const ListenState&)> handler);
  void onReading(std::function<void(const Reading&)> handler);

  // The port the listener is bound to, 0 while there is none.
  std::uint16_t port() const;
  std::size_t liveConnections() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

ListenState classify(const std::error_code& error);

enum class AcceptFault {
  stopped,    // the listener was closed on purpose
  transient,  // only that one connection is lost; keep accepting
  exhausted,  // out of descriptors or memory; rest a moment before the next try
  broken,     // the listener itself is unusable
};

AcceptFault classifyAcceptError(const std::error_code& error);
