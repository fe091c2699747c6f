#include "bridge/loopback_client.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>
#include <thread>

LoopbackClient::LoopbackClient(std::uint16_t port) {
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd_ < 0) return;
  int one = 1;
  ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  connected_ = ::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

LoopbackClient::~LoopbackClient() {
  close();
}

bool LoopbackClient::send(std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

void LoopbackClient::shutdownWrite() {
  ::shutdown(fd_, SHUT_WR);
}

void LoopbackClient::abort() {
  linger hard{1, 0};
  ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
  close();
}

void LoopbackClient::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

LoopbackClient::Received LoopbackClient::readFor(std::chrono::milliseconds window, std::size_t want) {
  Received got;
  auto deadline = std::chrono::steady_clock::now() + window;
  char chunk[65536];
  while (got.bytes.size() < want) {
    auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd p{fd_, POLLIN, 0};
    int ready = ::poll(&p, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) break;
    ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      got.closed = true;
      got.reset = n < 0 && errno == ECONNRESET;
      break;
    }
    got.bytes.append(chunk, static_cast<std::size_t>(n));
  }
  return got;
}

LoopbackClient::Received LoopbackClient::readUntilClosed(std::chrono::milliseconds limit) {
  return readFor(limit);
}

bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return done();
    std::this_thread::sleep_for(2ms);
  }
  return true;
}

std::string usageRequest(std::string_view extraHeaders) {
  const std::string body =
      R"({"v":1,"status":"ok","plan":"Max 5x","windows":[{"key":"session","pct":42.3},{"key":"weekly","pct":18}]})";
  return "POST /usage HTTP/1.1\r\n"
         "Host: 127.0.0.1:47615\r\n"
         "Origin: chrome-extension://abcdefghijklmnop\r\n"
         "X-Quotalume: 1\r\n"
         "Content-Type: application/json\r\n"
         "Content-Length: " +
         std::to_string(body.size()) + "\r\n" + std::string(extraHeaders) + "\r\n" + body;
}

std::string pingRequest() {
  return "GET /ping HTTP/1.1\r\nHost: 127.0.0.1:47615\r\n\r\n";
}

bool answersPing(std::uint16_t port) {
  LoopbackClient client(port);
  return client.send(pingRequest()) && client.readUntilClosed().bytes.starts_with("HTTP/1.1 200 OK\r\n");
}
