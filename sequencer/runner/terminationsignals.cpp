#include "terminationsignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Where the handler writes; -1 while no object listens.
volatile sig_atomic_t writeEnd = -1;

} // namespace

TerminationSignals::TerminationSignals(QObject *parent) : QObject(parent)
{
    // Non-blocking: a handler never waits on a full pipe, and the reader
    // takes what is there.
    // Without a pipe (no file descriptor left at start-up) the signals keep
    // their default action and end the program.
    if (pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    writeEnd = m_pipe[1];
    m_notifier = new QSocketNotifier(m_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readPipe);

    struct sigaction action = {};
    action.sa_handler = &TerminationSignals::handle;
    sigemptyset(&action.sa_mask);
    // Interrupted system calls start again: Qt's and the drivers' threads
    // need not expect EINTR on their account.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &m_previousInterrupt);
    sigaction(SIGTERM, &action, &m_previousTerminate);
}

TerminationSignals::~TerminationSignals()
{
    if (m_pipe[0] < 0)
        return;
    sigaction(SIGINT, &m_previousInterrupt, nullptr);
    sigaction(SIGTERM, &m_previousTerminate, nullptr);
    writeEnd = -1;
    close(m_pipe[0]);
    close(m_pipe[1]);
}

void TerminationSignals::handle(int signalNumber)
{
    // Only async-signal-safe calls here.
    const int savedErrno = errno;
    const int fd = writeEnd;
    if (fd >= 0) {
        const unsigned char number = static_cast<unsigned char>(signalNumber);
        // A full pipe already holds enough signals to act on.
        [[maybe_unused]] const ssize_t written = write(fd, &number, 1);
    }
    errno = savedErrno;
}

void TerminationSignals::readPipe()
{
    unsigned char numbers[64];
    ssize_t count = 0;
    while ((count = read(m_pipe[0], numbers, sizeof numbers)) > 0) {
        for (ssize_t i = 0; i < count; ++i)
            emit received(numbers[i]);
    }
}
