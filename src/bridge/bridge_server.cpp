#include "bridge/bridge_server.hpp"

#include <sys/socket.h>
#include <unistd.h>

#include <asio/error.hpp>
#include <asio/executor_work_guard.hpp>
#include <asio/io_context.hpp>
#include <asio/post.hpp>
#include <atomic>
#include <cerrno>
#include <exception>
#include <string>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "bridge/http_connection.hpp"
#include "readings/text_cleaning.hpp"

namespace {

using asio::ip::tcp;

// The app starts other programs: the browser, the updater's swap script and
// through it the next version of itself. Sockets they inherited would hold
// the port against that version while answering nobody. asio opens and
// accepts without close-on-exec, and setting it afterwards leaves a moment in
// which a program started from another thread inherits the socket, so each
// is made close-on-exec as it is made.
std::error_code lastError() {
  return {errno, asio::error::get_system_category()};
}

// Non-blocking too: a readiness that a vanished connection leaves behind must
// not stop the bridge thread in accept4.
void openListener(tcp::acceptor& acceptor, std::error_code& error) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) {
    error = lastError();
    return;
  }
  acceptor.assign(tcp::v4(), fd, error);
  if (error) ::close(fd);
}

// The state that lives on the bridge thread. Handlers hold it weakly, so
// anything still queued when the server goes away finds nothing to do.
class BridgeCore : public std::enable_shared_from_this<BridgeCore> {
 public:
  BridgeCore(asio::io_context& context, BridgeSettings settings)
      : context_(context), settings_(std::move(settings)), pauseTimer_(context), scratch_(receiveSize) {}

  void startOnQueue();

  std::function<void(const ListenState&)> onState;
  std::function<void(const Reading&)> onReading;

  std::atomic<std::uint16_t> boundPort{0};
  std::atomic<std::size_t> live{0};

 private:
  void acceptNext();
  void acceptOne();
  void accepted(std::error_code error, tcp::socket socket);
  void admit(tcp::socket socket);
  void pauseAccepting(const std::error_code& error);
  void dropListener(std::string_view what, const std::error_code& error);
  void report(const ListenState& state) {
    if (onState) onState(state);
  }
  void log(const std::string& line) {
    if (settings_.log) settings_.log(line);
  }

  asio::io_context& context_;
  BridgeSettings settings_;
  std::shared_ptr<tcp::acceptor> listener_;
  std::unordered_map<const HTTPConnection*, std::shared_ptr<HTTPConnection>> conns_;
  asio::steady_timer pauseTimer_;
  bool pauseLogged_ = false;
  std::vector<std::uint8_t> scratch_;
};

void BridgeCore::startOnQueue() {
  if (listener_) return;
  auto acceptor = std::make_shared<tcp::acceptor>(context_);
  const tcp::endpoint endpoint(asio::ip::address_v4::loopback(), settings_.port);
  std::error_code error;
  openListener(*acceptor, error);
  if (!error) acceptor->set_option(tcp::acceptor::reuse_address(true), error);
  if (!error) acceptor->bind(endpoint, error);
  if (!error) acceptor->listen(asio::socket_base::max_listen_connections, error);
  std::uint16_t port = 0;
  if (!error) port = acceptor->local_endpoint(error).port();
  if (error) {
    log("listener init failed: " + error.message());
    report(classify(error));
    return;
  }
  listener_ = std::move(acceptor);
  boundPort = port;
  pauseLogged_ = false;
  log("listening 127.0.0.1:" + std::to_string(port));
  report(ListenState::ready());
  acceptNext();
}

void BridgeCore::acceptNext() {
  std::weak_ptr<tcp::acceptor> weakListener = listener_;
  listener_->async_wait(tcp::acceptor::wait_read,
                        [weak = weak_from_this(), weakListener](std::error_code error) {
                          auto self = weak.lock();
                          auto listener = weakListener.lock();
                          // A listener that was dropped (and maybe replaced) meanwhile has no say.
                          if (!self || !listener || listener != self->listener_) return;
                          if (error) {
                            self->accepted(error, tcp::socket(self->context_));
                            return;
                          }
                          self->acceptOne();
                        });
}

void BridgeCore::acceptOne() {
  tcp::socket socket(context_);
  std::error_code error;
  const int fd = ::accept4(listener_->native_handle(), nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) {
    error = lastError();
  } else if (socket.assign(tcp::v4(), fd, error); error) {
    ::close(fd);
  }
  accepted(error, std::move(socket));
}

void BridgeCore::accepted(std::error_code error, tcp::socket socket) {
  if (!error) {
    pauseLogged_ = false;
    admit(std::move(socket));
    acceptNext();
    return;
  }
  switch (classifyAcceptError(error)) {
    case AcceptFault::stopped:
      return;
    case AcceptFault::transient:
      acceptNext();
      return;
    case AcceptFault::exhausted:
      pauseAccepting(error);
      return;
    case AcceptFault::broken:
      dropListener("failed", error);
      return;
  }
}

void BridgeCore::admit(tcp::socket socket) {
  if (conns_.size() >= maxLiveConnections) {
    // A client that reconnects right after its answer is often accepted
    // before the end of its previous connection has been read.
    std::vector<std::shared_ptr<HTTPConnection>> live;
    live.reserve(conns_.size());
    for (const auto& entry : conns_) live.push_back(entry.second);
    for (const auto& conn : live) {
      conn->reapIfFinished();
      if (conns_.size() < maxLiveConnections) break;
    }
  }
  if (conns_.size() >= maxLiveConnections) {
    std::error_code ignored;
    socket.close(ignored);
    return;
  }
  std::weak_ptr<BridgeCore> weak = weak_from_this();
  auto conn = std::make_shared<HTTPConnection>(
      std::move(socket), std::span<std::uint8_t>(scratch_),
      ConnectionLimits{settings_.lifetime, settings_.linger, settings_.now},
      [weak](const Reading& reading) {
        if (auto self = weak.lock(); self && self->onReading) self->onReading(reading);
      },
      [weak](HTTPConnection& closing) {
        if (auto self = weak.lock()) {
          self->conns_.erase(&closing);
          self->live = self->conns_.size();
        }
      });
  conns_.emplace(conn.get(), conn);
  live = conns_.size();
  conn->start();
}

void BridgeCore::pauseAccepting(const std::error_code& error) {
  // The pending connection stays in the backlog and keeps the listener
  // readable, so retrying at once would spin until a descriptor frees up.
  if (!pauseLogged_) {
    pauseLogged_ = true;
    log("listener paused: " + error.message());
  }
  std::weak_ptr<tcp::acceptor> weakListener = listener_;
  pauseTimer_.expires_after(settings_.acceptPause);
  pauseTimer_.async_wait([weak = weak_from_this(), weakListener](std::error_code ec) {
    auto self = weak.lock();
    auto listener = weakListener.lock();
    if (ec || !self || !listener || listener != self->listener_) return;
    self->acceptNext();
  });
}

void BridgeCore::dropListener(std::string_view what, const std::error_code& error) {
  log("listener " + std::string(what) + ": " + error.message());
  std::error_code ignored;
  listener_->close(ignored);
  listener_.reset();
  boundPort = 0;
  report(classify(error));
}

}  // namespace

namespace {

// Asio reports socket errors in a category of its own whose mapping to the
// standard conditions is not always compiled in, so compare the raw errno.
bool carriesErrno(const std::error_code& error) {
  const auto& category = error.category();
  return category == std::system_category() || category == std::generic_category() ||
         category == asio::error::get_system_category();
}

}  // namespace

ListenState classify(const std::error_code& error) {
  if (carriesErrno(error) && error.value() == EADDRINUSE) return ListenState::busy();
  const std::string text = error.message();
  return ListenState::failed(text.substr(0, readings_detail::graphemePrefixEnd(text, 40)));
}

AcceptFault classifyAcceptError(const std::error_code& error) {
  if (!carriesErrno(error)) return AcceptFault::broken;
  switch (error.value()) {
    case ECANCELED:
      return AcceptFault::stopped;
    case EMFILE:
    case ENFILE:
    case ENOBUFS:
    case ENOMEM:
      return AcceptFault::exhausted;
    // accept() reports errors already pending on the new connection; the
    // listener itself is fine.
    case ECONNABORTED:
    case ECONNRESET:
    case EINTR:
    case EAGAIN:
    case EPROTO:
    case EPERM:
    case ETIMEDOUT:
    case ENETDOWN:
    case ENETUNREACH:
    case ENOPROTOOPT:
    case EHOSTDOWN:
    case EHOSTUNREACH:
    case ENONET:
    case EOPNOTSUPP:
      return AcceptFault::transient;
    default:
      return AcceptFault::broken;
  }
}

struct BridgeServer::Impl {
  std::function<void(std::string_view)> log;
  asio::io_context context{1};
  asio::executor_work_guard<asio::io_context::executor_type> work = asio::make_work_guard(context);
  std::shared_ptr<BridgeCore> core;
  std::thread thread;

  void run() {
    // A throwing handler (a callback, an allocation) must not end the bridge.
    for (;;) {
      try {
        context.run();
        return;
      } catch (const std::exception& e) {
        if (log) log(std::string("bridge handler failed: ") + e.what());
      } catch (...) {
        if (log) log("bridge handler failed");
      }
    }
  }
};

BridgeServer::BridgeServer(BridgeSettings settings) : impl_(std::make_unique<Impl>()) {
  impl_->log = settings.log;
  impl_->core = std::make_shared<BridgeCore>(impl_->context, std::move(settings));
  impl_->thread = std::thread([impl = impl_.get()] { impl->run(); });
}

BridgeServer::~BridgeServer() {
  impl_->context.stop();
  if (impl_->thread.joinable()) impl_->thread.join();
  // Sockets and timers must go while their context still exists; handlers
  // still queued are destroyed with the context and only hold weak refs.
  impl_->core.reset();
}

void BridgeServer::start() {
  asio::post(impl_->context, [weak = std::weak_ptr<BridgeCore>(impl_->core)] {
    if (auto core = weak.lock()) core->startOnQueue();
  });
}

void BridgeServer::onState(std::function<void(const ListenState&)> handler) {
  asio::post(impl_->context, [weak = std::weak_ptr<BridgeCore>(impl_->core), handler = std::move(handler)] {
    if (auto core = weak.lock()) core->onState = handler;
  });
}

void BridgeServer::onReading(std::function<void(const Reading&)> handler) {
  asio::post(impl_->context, [weak = std::weak_ptr<BridgeCore>(impl_->core), handler = std::move(handler)] {
    if (auto core = weak.lock()) core->onReading = handler;
  });
}

std::uint16_t BridgeServer::port() const {
  return impl_->core->boundPort;
}

std::size_t BridgeServer::liveConnections() const {
  return impl_->core->live;
}
