#include "app/quit_signals.hpp"

#include <array>
#include <csignal>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>

namespace {

int wakeFds[2] = {-1, -1};
constexpr std::array<int, 3> quitSignals = {SIGTERM, SIGINT, SIGHUP};

extern "C" void onQuitSignal(int signal) {
  const unsigned char byte = static_cast<unsigned char>(signal);
  // Nothing else is safe here; a full pipe already holds a pending quit.
  [[maybe_unused]] const auto written = ::write(wakeFds[0], &byte, 1);
}

}  // namespace

QuitOnSignals::QuitOnSignals(QObject* parent) : QObject(parent) {
  if (wakeFds[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, wakeFds) != 0) {
    wakeFds[0] = wakeFds[1] = -1;
    return;
  }
  notifier_ = new QSocketNotifier(wakeFds[1], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &QuitOnSignals::onReadable);
  struct sigaction action {};
  action.sa_handler = onQuitSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int s : quitSignals) ::sigaction(s, &action, nullptr);
}

QuitOnSignals::~QuitOnSignals() {
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  for (int s : quitSignals) ::sigaction(s, &action, nullptr);
}

void QuitOnSignals::onReadable() {
  unsigned char byte = 0;
  int last = 0;
  while (::read(wakeFds[1], &byte, 1) == 1) last = byte;
  if (last == 0) return;
  emit quitRequested(last);
  QCoreApplication::quit();
}
