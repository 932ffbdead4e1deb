#include "runsummary.h"

#include <QDir>
#include <QJsonValue>

#include <cmath>

namespace {

// Figures in JSON to the millisecond or kilobyte a second, not to the last
// bit of a double.
double rounded(double value)
{
    return std::round(value * 1000.0) / 1000.0;
}

} // namespace

int RunSummary::exitStatus() const
{
    switch (reason) {
    case Reason::Complete:
    case Reason::TimeUp:
        return 0;
    case Reason::Usage:
        return 1;
    case Reason::CameraFailed:
        return 2;
    case Reason::FileRejected:
        return 3;
    case Reason::RecordingFailed:
        return 4;
    case Reason::Interrupted:
        return 130;
    }
    return 1;
}

QString RunSummary::reasonName() const
{
    switch (reason) {
    case Reason::Complete:
        return QStringLiteral("complete");
    case Reason::TimeUp:
        return QStringLiteral("time");
    case Reason::Usage:
        return QStringLiteral("usage");
    case Reason::CameraFailed:
        return QStringLiteral("camera");
    case Reason::FileRejected:
        return QStringLiteral("file");
    case Reason::RecordingFailed:
        return QStringLiteral("recording");
    case Reason::Interrupted:
        return QStringLiteral("interrupted");
    }
    return QString();
}

QString RunSummary::line() const
{
    if (!recorded && !streamed)
        return message;
    const QString what = recorded ? tr("recording") : tr("run");
    QString head;
    switch (reason) {
    case Reason::Complete:
        head = tr("%1 complete").arg(what);
        break;
    case Reason::TimeUp:
        head = tr("%1 ended after the time asked for").arg(what);
        break;
    case Reason::Interrupted:
        head = tr("%1 interrupted").arg(what);
        break;
    case Reason::RecordingFailed:
        head =
            tr("recording failed: %1; what was written before is complete and listed").arg(message);
        break;
    case Reason::Usage:
    case Reason::CameraFailed:
    case Reason::FileRejected:
        head = tr("%1 ended: %2").arg(what, message);
        break;
    }
    QString text = head + QStringLiteral(": ") + figures();
    if (recorded)
        text += tr(", in %1").arg(QDir::toNativeSeparators(folder));
    return text;
}

QString RunSummary::figures() const
{
    QString text = cycles == 1 ? tr("1 cycle") : tr("%1 cycles").arg(cycles);
    if (recorded) {
        text += tr(", %1 images written, %2 dropped by the writer, %3 lost by the camera")
                    .arg(written)
                    .arg(dropped)
                    .arg(lost);
        if (cyclesNotFused > 0)
            text += tr(", %1 cycles not fused").arg(cyclesNotFused);
        text += tr(", %1 s, %2 MB/s").arg(seconds, 0, 'f', 1).arg(megabytesPerSecond, 0, 'f', 1);
    } else {
        text += tr(", %1 images, %2 lost by the camera, %3 s")
                    .arg(received)
                    .arg(lost)
                    .arg(seconds, 0, 'f', 1);
    }
    return text;
}

QString RunSummary::progressLine() const
{
    if (cycles == 0)
        return tr("waiting for the first cycle");
    QString text = cyclesAsked > 0 ? tr("cycle %1 of %2").arg(cycles).arg(cyclesAsked)
                                   : tr("cycle %1").arg(cycles);
    if (recorded) {
        return text + tr(": %1 images written, %2 dropped, %3 lost, %4 MB/s")
                          .arg(written)
                          .arg(dropped)
                          .arg(lost)
                          .arg(megabytesPerSecond, 0, 'f', 1);
    }
    return text + tr(": %1 images, %2 lost").arg(received).arg(lost);
}

QJsonObject RunSummary::toJson() const
{
    return QJsonObject{
        {QStringLiteral("folder"), recorded ? QJsonValue(folder) : QJsonValue()},
        {QStringLiteral("cycles"), cycles},
        {QStringLiteral("images_received"), double(received)},
        {QStringLiteral("images_written"), written},
        {QStringLiteral("dropped"), dropped},
        {QStringLiteral("lost"), double(lost)},
        {QStringLiteral("cycles_not_fused"), cyclesNotFused},
        {QStringLiteral("seconds"), rounded(seconds)},
        {QStringLiteral("mb_per_second"), rounded(megabytesPerSecond)},
        {QStringLiteral("exit_reason"), reasonName()},
        {QStringLiteral("exit_status"), exitStatus()},
        {QStringLiteral("message"), message},
    };
}
