#pragma once

#include <QObject>

#include <csignal>

class QSocketNotifier;

/// SIGINT and SIGTERM as a Qt signal on the thread that made this object.
/// The handler only writes the signal's number into a pipe; a socket
/// notifier reads it in the event loop, where anything may be done about it.
/// One object at a time; the previous handlers come back when it goes.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

signals:
    /// SIGINT or SIGTERM came.
    void received(int signalNumber);

private:
    static void handle(int signalNumber);
    void readPipe();

    int m_pipe[2] = {-1, -1};
    QSocketNotifier *m_notifier = nullptr;
    struct sigaction m_previousInterrupt = {};
    struct sigaction m_previousTerminate = {};
};
