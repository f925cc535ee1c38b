#include "QvSignals.h"

#include "QvApplication.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QWidget>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int SignalPipe[2] = {-1, -1};

// Only async-signal-safe work here: one byte into the pipe; the event loop does the rest.
void OnTerminationSignal(int) {
  const int Saved = errno;
  const char Byte = 1;
  [[maybe_unused]] const ssize_t Written = ::write(SignalPipe[0], &Byte, 1);
  errno = Saved;
}

}  // namespace

void QvInstallTerminationHandler() {
  if (SignalPipe[0] >= 0) return;
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, SignalPipe) != 0) return;
  ::fcntl(SignalPipe[0], F_SETFL, O_NONBLOCK);
  ::fcntl(SignalPipe[1], F_SETFL, O_NONBLOCK);

  auto* Notifier = new QSocketNotifier(SignalPipe[1], QSocketNotifier::Read, QCoreApplication::instance());
  QObject::connect(Notifier, &QSocketNotifier::activated, Notifier, [] {
    char Buffer[16];
    while (::read(SignalPipe[1], Buffer, sizeof(Buffer)) > 0) {
    }
    if (Application && Application->MainForm())
      Application->MainForm()->close();
    else
      QCoreApplication::exit(0);
  });

  struct sigaction Action {};
  Action.sa_handler = OnTerminationSignal;
  sigemptyset(&Action.sa_mask);
  Action.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &Action, nullptr);
  ::sigaction(SIGINT, &Action, nullptr);
}
