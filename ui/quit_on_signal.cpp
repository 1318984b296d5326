#include "ui/quit_on_signal.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <csignal>

namespace ui {

namespace {

// The handler may only write: the byte wakes the GUI thread, which quits.
int g_wake[2] = {-1, -1};

void OnSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = ::write(g_wake[0], &byte, 1);
}

}  // namespace

void QuitOnTerminationSignals() {
  if (g_wake[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_wake) != 0) return;
  auto* notifier = new QSocketNotifier(g_wake[1], QSocketNotifier::Read, qApp);
  QObject::connect(notifier, &QSocketNotifier::activated, qApp, [notifier] {
    notifier->setEnabled(false);
    char byte;
    [[maybe_unused]] const ssize_t n = ::read(g_wake[1], &byte, 1);
    QApplication::closeAllWindows();
    // exit, not quit: a window that only hides on close (the coordinate
    // window) would refuse a quit; exit also leaves a modal dialog's loop.
    QCoreApplication::exit(0);
  });
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &action, nullptr);
}

}  // namespace ui
