#pragma once

#include <QLatin1String>
#include <QString>
#include <QtGlobal>

/// The offscreen platform cannot pass size hints on to its windows and says
/// so each time a set widget (a window of its own in the workspace) grows;
/// this drops that one message and passes every other on.
inline void hideSizeHintWarnings()
{
    static const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext &context, const QString &message) {
            if (!message.contains(QLatin1String("does not support propagateSizeHints")))
                previous(type, context, message);
        });
}
