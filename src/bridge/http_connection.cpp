#include "bridge/http_connection.hpp"

#include <algorithm>
#include <asio/write.hpp>
#include <utility>

namespace {}  // namespace

HTTPConnection::HTTPConnection(asio::ip::tcp::socket socket, std::span<std::uint8_t> scratch,
                               ConnectionLimits limits, ReadingHandler onReading, CloseHandler onClose)
    : scratch_(scratch.first(std::min(scratch.size(), receiveSize))),
      limits_(limits),
      onReading_(std::move(onReading)),
      onClose_(std::move(onClose)),
      lifetimeTimer_(socket.get_executor()),
      lingerTimer_(socket.get_executor()),
      socket_(std::move(socket)) {}

void HTTPConnection::start() {
  std::error_code error;
  // Reads go straight into the shared scratch buffer on the bridge thread
  // and must never block it.
  socket_.non_blocking(true, error);
  if (error) {
    close();
    return;
  }
  std::error_code ignored;
  // The interim response and the answer are separate small writes; Nagle
  // would hold the second back until the first is acknowledged.
  socket_.set_option(asio::ip::tcp::no_delay(true), ignored);
  armTimer(lifetimeTimer_, limits_.lifetime);
  // A client usually sends its request right after connecting, so it is
  // often here already and a trip through the reactor can be saved.
  readNow();
}

void HTTPConnection::armTimer(asio::steady_timer& timer, std::chrono::milliseconds delay) {
  timer.expires_after(delay);
  timer.async_wait([weak = weak_from_this()](std::error_code ec) {
    if (ec) return;
    if (auto self = weak.lock()) self->close();
  });
}

void HTTPConnection::awaitBytes() {
  socket_.async_wait(asio::ip::tcp::socket::wait_read, [weak = weak_from_this()](std::error_code ec) {
    auto self = weak.lock();
    if (!self || self->closed_) return;
    if (ec) {
      self->receive({}, false, true);
      return;
    }
    self->readNow();
  });
}

void HTTPConnection::readNow() {
  std::error_code readError;
  std::size_t n = socket_.read_some(asio::buffer(scratch_.data(), scratch_.size()), readError);
  if (readError == asio::error::would_block || readError == asio::error::try_again) {
    awaitBytes();
  } else if (readError == asio::error::eof) {
    receive({}, true, false);
  } else if (readError) {
    receive({}, false, true);
  } else {
    receive(std::span<const std::uint8_t>(scratch_.data(), n), false, false);
  }
}

void HTTPConnection::reapIfFinished() {
  if (closed_ || !answered_) return;
  std::error_code readError;
  std::size_t n = socket_.read_some(asio::buffer(scratch_.data(), scratch_.size()), readError);
  if (readError == asio::error::would_block || readError == asio::error::try_again) return;
  // The read wait already queued stays in place and finds the connection
  // closed or the socket empty, so nothing is re-armed here.
  drained_ += static_cast<std::int64_t>(n);
  if (readError || drained_ > drainLimit) close();
}

void HTTPConnection::receive(std::span<const std::uint8_t> data, bool complete, bool failed) {
  if (answered_) {
    drained_ += static_cast<std::int64_t>(data.size());
    if (complete || failed || drained_ > drainLimit) {
      close();
      return;
    }
    awaitBytes();
    return;
  }

  if (!data.empty()) feed_.append(data);
  step();
  if (complete || failed) {
    close();
    return;
  }
  if (!closed_) awaitBytes();
}

void HTTPConnection::step() {
  Step next = feed_.step(limits_.now());
  if (next.kind == Step::Kind::needMore) {
    if (next.sendContinue && !sentContinue_) {
      sentContinue_ = true;
      send(interimResponse, false);
    }
    return;
  }
  if (next.reading && onReading_) onReading_(*next.reading);
  answered_ = true;
  send(next.response.serialized(), true);
}

void HTTPConnection::send(std::string_view bytes, bool final) {
  outbox_.append(bytes);
  finalQueued_ = finalQueued_ || final;
  if (!writing_) writeQueued();
}

void HTTPConnection::writeQueued() {
  writing_ = true;
  // The buffer in flight must not move while the write runs, so new bytes
  // queue in outbox_ and are swapped in afterwards.
  inFlight_.swap(outbox_);
  outbox_.clear();
  // Holding the connection strongly keeps inFlight_ alive, and lets a close
  // that arrives meanwhile leave the socket open until the answer is out.
  // An answer is a few hundred bytes into an empty send buffer, so the write
  // never waits on the peer and this cannot keep a connection alive for long.
  asio::async_write(socket_, asio::buffer(inFlight_),
                    [self = shared_from_this()](std::error_code ec, std::size_t) {
                      self->writing_ = false;
                      self->inFlight_.clear();
                      if (ec) self->outbox_.clear();
                      if (!self->outbox_.empty()) {
                        self->writeQueued();
                        return;
                      }
                      if (self->finalQueued_) {
                        self->afterFinalWrite();
                      } else if (self->closed_) {
                        self->shutDownSocket();
                      }
                    });
}

void HTTPConnection::afterFinalWrite() {
  if (closed_) {
    shutDownSocket();
    return;
  }
  std::error_code ignored;
  socket_.shutdown(asio::socket_base::shutdown_send, ignored);
  armTimer(lingerTimer_, limits_.linger);
}

void HTTPConnection::shutDownSocket() {
  std::error_code ignored;
  socket_.close(ignored);
}

void HTTPConnection::close() {
  if (closed_) return;
  closed_ = true;
  // onClose_ usually drops the last owner of this object.
  auto self = shared_from_this();
  lifetimeTimer_.cancel();
  lingerTimer_.cancel();
  if (!writing_) shutDownSocket();
  if (onClose_) onClose_(*this);
}
