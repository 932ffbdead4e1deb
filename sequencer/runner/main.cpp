#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <csignal>
#include <cstdio>

#include "camerachoice.h"
#include "progressline.h"
#include "runneroptions.h"
#include "sequencerunner.h"
#include "terminationsignals.h"
#include "vyracameralistmodel.h"

namespace {

const char programName[] = "vyra-sequencer-run";

void printLine(std::FILE *stream, const QString &text)
{
    std::fprintf(stream, "%s\n", text.toLocal8Bit().constData());
}

void printError(const QString &text)
{
    printLine(stderr, QStringLiteral("%1: %2").arg(QLatin1String(programName), text));
}

void printJson(const QJsonObject &object)
{
    std::fprintf(stdout, "%s\n", QJsonDocument(object).toJson(QJsonDocument::Compact).constData());
}

int listCameras(bool json)
{
    const CameraChoice cameras(VyraCameraListModel::connectedCameras());
    if (json)
        printJson(QJsonObject{{QStringLiteral("cameras"), cameras.toJson()}});
    else
        std::fputs(cameras.table().toLocal8Bit().constData(), stdout);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    // A file-size limit then fails a write as a full disk does, and a reader
    // of standard error that goes away fails the next line written there,
    // instead of either ending the program in the middle of a recording.
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QLatin1String(programName));

    const RunnerOptions::Parsed parsed = RunnerOptions::parse(QCoreApplication::arguments());
    const RunnerOptions &options = parsed.options;
    if (options.help) {
        std::fputs(RunnerOptions::helpText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (!parsed.error.isEmpty()) {
        printError(QStringLiteral("%1 (see --help)").arg(parsed.error));
        return 1;
    }
    if (options.listCameras)
        return listCameras(options.json);

    TerminationSignals termination;
    SequenceRunner runner(options);
    ProgressLine progress(stderr);
    QObject::connect(&termination, &TerminationSignals::received, &runner,
                     &SequenceRunner::interrupt);
    QObject::connect(&runner, &SequenceRunner::progressed, &runner,
                     [&] { progress.show(runner.summary().progressLine()); });
    QObject::connect(&runner, &SequenceRunner::finished, &application, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    QTimer::singleShot(0, &runner, &SequenceRunner::start);
    application.exec();

    progress.clear();
    const RunSummary summary = runner.summary();
    printError(summary.line());
    if (options.json)
        printJson(summary.toJson());
    return summary.exitStatus();
}
