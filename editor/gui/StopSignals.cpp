#include "editor/gui/StopSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace qrt {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};

// The handler knows nothing but this: a signal carries no context.
volatile sig_atomic_t signalPipe = -1;

void OnSignal(int signal) {
  const int saved = errno;
  const unsigned char number = static_cast<unsigned char>(signal);
  if (signalPipe >= 0) (void)!::write(signalPipe, &number, 1);
  errno = saved;
}

void Handle(void (*handler)(int)) {
  struct sigaction action = {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : kSignals) ::sigaction(signal, &action, nullptr);
}

}  // namespace

StopSignals::StopSignals(QObject* parent) : QObject(parent) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, pipe_) != 0) return;
  signalPipe = pipe_[0];
  notifier_ = new QSocketNotifier(pipe_[1], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &StopSignals::Read);
  Handle(OnSignal);
}

StopSignals::~StopSignals() {
  if (pipe_[0] < 0) return;
  Handle(SIG_DFL);
  signalPipe = -1;
  delete notifier_;  // before its socket goes
  ::close(pipe_[0]);
  ::close(pipe_[1]);
}

void StopSignals::Read() {
  unsigned char number = 0;
  while (::read(pipe_[1], &number, 1) == 1) emit requested(number);
}

}  // namespace qrt
