#include "common/interruptnotifier.h"

#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int interruptPipe[2] = {-1, -1};

void onSignal(int number)
{
    // The next Ctrl+C takes the default way out, should closing the ports hang. A closed terminal
    // may send SIGHUP twice (the kernel, then the shell): the second must not cut the clean end short.
    if (number != SIGHUP)
        std::signal(number, SIG_DFL);
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(interruptPipe[1], &byte, 1);
}

// pipe2() is not everywhere (macOS lacks it): pipe() and the flags one by one do the same here,
// since no other thread starts a program while the notifier is made.
bool openPipe()
{
    if (::pipe(interruptPipe) != 0)
        return false;
    for (const int fd : interruptPipe) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    return true;
}

} // namespace

InterruptNotifier::InterruptNotifier(QObject* parent) : QObject(parent)
{
    if (interruptPipe[0] < 0 && !openPipe())
        return;
    m_notifier = std::make_unique<QSocketNotifier>(interruptPipe[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &InterruptNotifier::readPipe);
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : {SIGINT, SIGTERM, SIGHUP})
        sigaction(number, &action, nullptr);
}

InterruptNotifier::~InterruptNotifier()
{
    for (const int number : {SIGINT, SIGTERM, SIGHUP})
        std::signal(number, SIG_DFL);
}

void InterruptNotifier::readPipe()
{
    char bytes[16];
    while (::read(interruptPipe[0], bytes, sizeof bytes) > 0) {
    }
    emit interrupted();
}

#else

// Elsewhere the console's own Ctrl+C ends the program.
InterruptNotifier::InterruptNotifier(QObject* parent) : QObject(parent) {}
InterruptNotifier::~InterruptNotifier() = default;
void InterruptNotifier::readPipe() {}

#endif
