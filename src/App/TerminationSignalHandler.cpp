#include "App/TerminationSignalHandler.h"

#include "Platform/ApplicationShell.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int signalFds[2] = {-1, -1};
// A closed terminal or a logout (SIGHUP) ends the program like kill does.
constexpr int kHandledSignals[] = {SIGTERM, SIGINT, SIGHUP};

sigset_t handledSignals()
{
    sigset_t set;
    sigemptyset(&set);
    for (const int signalNumber : kHandledSignals)
        sigaddset(&set, signalNumber);
    return set;
}

extern "C" void writeSignal(int signalNumber)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // Nothing else is async-signal-safe enough; a full pipe means a quit is already on its way.
    [[maybe_unused]] const ssize_t written = ::write(signalFds[0], &byte, 1);
    errno = savedErrno;
}
} // namespace

TerminationSignalHandler::TerminationSignalHandler(QObject* parent) : QObject(parent)
{
    // Whatever arrived while held is delivered on leaving: to the handler
    // when it is installed, else with the default effect.
    struct Release {
        ~Release()
        {
            const sigset_t handled = handledSignals();
            pthread_sigmask(SIG_UNBLOCK, &handled, nullptr);
        }
    } release;
    if (signalFds[0] >= 0)
        return; // one handler per process
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalFds) != 0) {
        signalFds[0] = signalFds[1] = -1;
        return;
    }
    ::fcntl(signalFds[0], F_SETFL, O_NONBLOCK);
    ::fcntl(signalFds[1], F_SETFL, O_NONBLOCK);
    m_notifier = new QSocketNotifier(signalFds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignalHandler::readSignal);

    struct sigaction action {};
    action.sa_handler = writeSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : kHandledSignals)
        sigaction(signalNumber, &action, nullptr);
}

void TerminationSignalHandler::holdSignalsUntilInstalled()
{
    const sigset_t handled = handledSignals();
    pthread_sigmask(SIG_BLOCK, &handled, nullptr);
}

TerminationSignalHandler::~TerminationSignalHandler()
{
    if (!m_notifier)
        return;
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int signalNumber : kHandledSignals)
        sigaction(signalNumber, &action, nullptr);
    delete m_notifier;
    m_notifier = nullptr;
    ::close(signalFds[0]);
    ::close(signalFds[1]);
    signalFds[0] = signalFds[1] = -1;
}

void TerminationSignalHandler::readSignal()
{
    unsigned char byte = 0;
    int last = 0;
    while (::read(signalFds[1], &byte, 1) == 1)
        last = byte;
    if (last == 0)
        return;
    emit terminationRequested(last);
    ApplicationShell::quit();
}
