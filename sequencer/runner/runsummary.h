#pragma once

#include <QCoreApplication>
#include <QJsonObject>
#include <QString>

/// How a run of vyra-sequencer-run went: why it ended, with the exit status
/// that says so, and the figures of its recording (or of the images counted
/// without one). Gives the progress line, the line left on standard error at
/// the end and the JSON object of --json. While the run goes on it holds the
/// figures so far.
struct RunSummary
{
    Q_DECLARE_TR_FUNCTIONS(RunSummary)

public:
    enum class Reason {
        /// The cycles asked for are recorded, or the run went until stopped.
        Complete,
        /// The seconds asked for are over.
        TimeUp,
        /// SIGINT or SIGTERM.
        Interrupted,
        /// The options do not fit the camera.
        Usage,
        /// No such camera, or the camera failed or was removed.
        CameraFailed,
        /// A sequence or camera file that cannot be read or loaded.
        FileRejected,
        /// The recording could not be written.
        RecordingFailed,
    };

    Reason reason = Reason::Complete;
    /// What failed and why, one line; empty when nothing failed.
    QString message;
    /// A recording's folder was made (its path in folder).
    bool recorded = false;
    /// The run streamed images without recording them.
    bool streamed = false;
    QString folder;
    /// Cycles asked for; 0 for until stopped.
    int cyclesAsked = 0;
    /// Cycles begun.
    int cycles = 0;
    quint64 received = 0;
    int written = 0;
    /// Images the writer had no room for.
    int dropped = 0;
    /// Images the camera lost on the way.
    qint64 lost = 0;
    int cyclesNotFused = 0;
    double seconds = 0.0;
    double megabytesPerSecond = 0.0;

    /// 0 done as asked, 1 usage, 2 camera, 3 file, 4 recording, 130 interrupted.
    int exitStatus() const;
    /// The reason as one word, as the JSON object names it.
    QString reasonName() const;
    /// The line for standard error at the end.
    QString line() const;
    /// The figures so far, for a terminal.
    QString progressLine() const;
    QJsonObject toJson() const;

private:
    QString figures() const;
};
