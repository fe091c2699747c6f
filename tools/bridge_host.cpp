// Runs the real bridge on a loopback port for the load benchmark. Readings
// are counted and dropped. Prints "port N" once listening; on SIGINT or
// SIGTERM prints "readings N" and exits.
//
//   bridge_host [port]    port 0 or none: a free one

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "base/wall_clock.hpp"
#include "bridge/bridge_server.hpp"

int main(int argc, char** argv) {
  BridgeSettings settings;
  settings.port = argc > 1 ? static_cast<std::uint16_t>(std::strtoul(argv[1], nullptr, 10)) : 0;
  settings.now = wallClockNow;
  settings.log = [](std::string_view line) {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
  };

  // Blocked before the bridge thread exists so that it inherits the mask and
  // only sigwait below sees the signals.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  std::atomic<std::uint64_t> readings{0};
  std::atomic<bool> refused{false};
  BridgeServer server(settings);
  server.onReading([&readings](const Reading&) { readings.fetch_add(1, std::memory_order_relaxed); });
  server.onState([&refused](const ListenState& state) {
    if (state.kind == ListenState::Kind::busy || state.kind == ListenState::Kind::failed) refused = true;
  });
  server.start();

  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (server.port() == 0 && !refused && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (server.port() == 0) {
    std::fprintf(stderr, "bridge_host: could not listen\n");
    return 1;
  }
  std::printf("port %u\n", static_cast<unsigned>(server.port()));
  std::fflush(stdout);

  int received = 0;
  sigwait(&stopSignals, &received);
  std::printf("readings %llu\n", static_cast<unsigned long long>(readings.load()));
  std::fflush(stdout);
  return 0;
}
