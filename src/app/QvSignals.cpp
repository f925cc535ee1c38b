#include "QvSignals.h"

#include "QvApplication.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QSocketNotifier>
#include <QWidget>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int SignalPipe[2] = {-1, -1};
bool Terminating = false;

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
    QvRequestTermination();
  });

  struct sigaction Action {};
  Action.sa_handler = OnTerminationSignal;
  sigemptyset(&Action.sa_mask);
  Action.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &Action, nullptr);
  ::sigaction(SIGINT, &Action, nullptr);
}

bool QvTerminationRequested() { return Terminating; }

int QvTerminationAnswer(int Flags) {
  using namespace QvMB;
  switch (Flags & MB_TYPEMASK) {
    case MB_YESNO:
    case MB_YESNOCANCEL: return IDNO;
    case MB_ABORTRETRYIGNORE: return IDABORT;
    case MB_OKCANCEL:
    case MB_RETRYCANCEL: return IDCANCEL;
    default: return IDOK;
  }
}

void QvRequestTermination() {
  Terminating = true;
  // A modal box (an error at start-up, a question) runs a loop of its own that would keep the
  // program alive; each is closed as Escape would close it. Boxes opened later are not shown.
  for (int I = 0; I < 32; ++I) {
    QWidget* Modal = QApplication::activeModalWidget();
    if (!Modal) break;
    // A message box without an Escape button refuses a close; rejecting ends its loop all the same.
    if (auto* Dialog = qobject_cast<QDialog*>(Modal)) Dialog->reject();
    else if (!Modal->close()) break;
  }
  // The window closes once those loops have returned, as its close box would close it; before
  // the window is shown, Run sees the request and does not show it.
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [] {
        QWidget* Form = Application ? Application->MainForm() : nullptr;
        if (Form && Form->isVisible()) Form->close();
        if (!Form || !Form->isVisible()) QCoreApplication::exit(0);
      },
      Qt::QueuedConnection);
}
