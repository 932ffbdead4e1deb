#include <QtTest>

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>

#include <cmath>
#include <csignal>
#include <memory>

// vyra-sequencer-run as a user runs it: a child process on the simulated
// camera (the default driver, its three default cameras), with files and
// folders in a scratch folder inside the test's build folder.

namespace {

QByteArray sequenceXml(const QString &model, const QList<double> &exposures)
{
    QString sets;
    for (int set = 0; set < exposures.size(); ++set) {
        sets += QStringLiteral("  <set index=\"%1\"><exposure milliseconds=\"%2\"/>"
                               "<path index=\"0\" nextSet=\"%3\" triggerSource=\"1\"/></set>\n")
                    .arg(set)
                    .arg(exposures.at(set))
                    .arg((set + 1) % exposures.size());
    }
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<sequencerConfiguration version=\"1\" model=\"%1\" sets=\"%2\">\n"
               "  <enabledFeatures><feature id=\"1\" name=\"Exposure\"/></enabledFeatures>\n"
               "%3</sequencerConfiguration>\n")
        .arg(model)
        .arg(exposures.size())
        .arg(sets)
        .toUtf8();
}

struct Row
{
    QString file;
    int cycle = 0;
    int set = 0;
    double exposure = 0.0;
    qint64 cameraTimeUs = 0;
};

// images.csv: file, cycle, set, frame number, camera time, exposure, ...
QList<Row> listedIn(const QString &folder)
{
    QFile list(QDir(folder).filePath(QStringLiteral("images.csv")));
    if (!list.open(QIODevice::ReadOnly))
        return {};
    QList<Row> rows;
    const QList<QByteArray> lines = list.readAll().split('\n');
    for (const QByteArray &line : lines.mid(1)) {
        const QList<QByteArray> fields = line.split(',');
        if (fields.size() > 5)
            rows << Row{QString::fromUtf8(fields.at(0)), fields.at(1).toInt(), fields.at(2).toInt(),
                        fields.at(5).toDouble(), fields.at(4).toLongLong()};
    }
    return rows;
}

// Why a recording's folder is not complete and listed; empty when it is:
// every image file is listed and every listed file is there, nothing else
// (no file half written under a temporary name), and recording.txt says how
// it ended.
QString incompleteness(const QString &folder, const QString &outcome)
{
    const QDir dir(folder);
    QStringList images = dir.entryList({QStringLiteral("cycle-*")}, QDir::Files);
    QStringList listed;
    for (const Row &row : listedIn(folder))
        listed << row.file;
    images.sort();
    listed.sort();
    if (images != listed)
        return QStringLiteral("files %1, listed %2").arg(images.join(' '), listed.join(' '));
    QStringList expected =
        images + QStringList{"camera.ini", "images.csv", "recording.txt", "sequencer.xml"};
    QStringList all = dir.entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    expected.sort();
    all.sort();
    if (all != expected)
        return QStringLiteral("in the folder: %1").arg(all.join(' '));
    QFile summary(dir.filePath(QStringLiteral("recording.txt")));
    if (!summary.open(QIODevice::ReadOnly) ||
        !summary.readAll().contains(QStringLiteral("outcome: %1").arg(outcome).toUtf8()))
        return QStringLiteral("recording.txt does not say %1").arg(outcome);
    return QString();
}

} // namespace

class TestSequenceRunner : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void recordsTheCyclesAsked_data();
    void recordsTheCyclesAsked();
    void badInputSaysWhyAndLeavesNoHalfFolder_data();
    void badInputSaysWhyAndLeavesNoHalfFolder();
    void signalLeavesACompleteListedRecording_data();
    void signalLeavesACompleteListedRecording();
    void jsonSummarySaysHowTheRunEnded_data();
    void jsonSummarySaysHowTheRunEnded();

private:
    struct Finished
    {
        int status = -1;
        QByteArray out;
        QStringList errorLines;
    };

    QString path(const QString &name) const { return m_scratch->filePath(name); }
    QString outFolder() const { return path(QStringLiteral("out")); }
    /// The recordings made in the out folder.
    QStringList recordings() const;
    /// Arguments with @name standing for a file of the scratch folder.
    QStringList resolved(const QStringList &arguments) const;
    void start(QProcess &process, const QStringList &arguments, qint64 fileSizeLimit = 0) const;
    Finished finish(QProcess &process) const;
    Finished run(const QStringList &arguments, qint64 fileSizeLimit = 0) const;

    std::unique_ptr<QTemporaryDir> m_scratch;
};

void TestSequenceRunner::init()
{
    m_scratch =
        std::make_unique<QTemporaryDir>(QDir::currentPath() + QStringLiteral("/scratch-XXXXXX"));
    QVERIFY(m_scratch->isValid());
    const QByteArray good = sequenceXml(QStringLiteral("VK1240C"), {1, 4, 16});
    const QMap<QString, QByteArray> files{
        {"good.xml", good},
        {"twosets.xml", sequenceXml(QStringLiteral("VK1240C"), {2, 8})},
        {"foreign.xml", sequenceXml(QStringLiteral("VK2280SE-C"), {1, 4, 16})},
        {"project.xml", "<?xml version=\"1.0\"?>\n<project name=\"lab\"/>\n"},
        {"damaged.xml", good.left(good.size() / 2)},
        {"long.xml", sequenceXml(QStringLiteral("VK1240C"), {1, 150})},
        {"bad.ini", "[Image size]\nWidth=wide\n"},
        {"plain", "not a folder"},
    };
    for (auto file = files.cbegin(); file != files.cend(); ++file) {
        QFile out(path(file.key()));
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(file.value()) == file.value().size());
    }
}

QStringList TestSequenceRunner::recordings() const
{
    const QDir out(outFolder());
    QStringList folders;
    for (const QString &name : out.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        folders << out.filePath(name);
    return folders;
}

QStringList TestSequenceRunner::resolved(const QStringList &arguments) const
{
    QStringList result;
    for (QString argument : arguments)
        result << (argument.startsWith('@') ? path(argument.mid(1)) : argument);
    return result;
}

void TestSequenceRunner::start(QProcess &process, const QStringList &arguments,
                               qint64 fileSizeLimit) const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VYRASIM_CONTROL_SOCKET"), QStringLiteral("off"));
    process.setProcessEnvironment(environment);
    const QString program = QStringLiteral(VYRA_RUNNER_PROGRAM);
    // A file-size limit stands for a full disk.
    if (fileSizeLimit > 0)
        process.start(QStringLiteral("prlimit"),
                      QStringList{QStringLiteral("--fsize=%1").arg(fileSizeLimit), program} +
                          resolved(arguments));
    else
        process.start(program, resolved(arguments));
    QVERIFY(process.waitForStarted(30000));
}

TestSequenceRunner::Finished TestSequenceRunner::finish(QProcess &process) const
{
    Finished finished;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return finished;
    finished.status = process.exitCode();
    finished.out = process.readAllStandardOutput();
    finished.errorLines =
        QString::fromLocal8Bit(process.readAllStandardError()).split('\n', Qt::SkipEmptyParts);
    return finished;
}

TestSequenceRunner::Finished TestSequenceRunner::run(const QStringList &arguments,
                                                     qint64 fileSizeLimit) const
{
    QProcess process;
    start(process, arguments, fileSizeLimit);
    return finish(process);
}

void TestSequenceRunner::recordsTheCyclesAsked_data()
{
    QTest::addColumn<QString>("sequence");
    QTest::addColumn<QList<double>>("exposures");
    QTest::addColumn<int>("cycles");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("rate");
    // The highest rate for 16 ms at 1280 x 1024 is the sensor's readout,
    // 51.15 images a second: the camera runs the sequence itself.
    QTest::addColumn<double>("periodUs"); // 0: images come as the host triggers them
    QTest::newRow("three sets, two cycles, TIFF")
        << "good.xml" << QList<double>{1, 4, 16} << 2 << "tiff" << "5" << 0.0;
    QTest::newRow("two sets, three cycles, PNG")
        << "twosets.xml" << QList<double>{2, 8} << 3 << "png" << "5" << 0.0;
    QTest::newRow("three sets, four cycles at the highest rate")
        << "good.xml" << QList<double>{1, 4, 16} << 4 << "tiff" << "max" << 1e6 / 51.15;
}

void TestSequenceRunner::recordsTheCyclesAsked()
{
    QFETCH(QString, sequence);
    QFETCH(QList<double>, exposures);
    QFETCH(int, cycles);
    QFETCH(QString, format);
    QFETCH(QString, rate);
    QFETCH(double, periodUs);
    const Finished finished = run({"--sequence", "@" + sequence, "--out", "@out", "--cycles",
                                   QString::number(cycles), "--format", format, "--rate", rate,
                                   "--json"});
    QVERIFY2(finished.status == 0, qPrintable(finished.errorLines.join('\n')));
    QCOMPARE(finished.errorLines.size(), 1);
    QVERIFY2(finished.errorLines.first().contains("recording complete"),
             qPrintable(finished.errorLines.first()));
    QCOMPARE(recordings().size(), 1);
    const QString folder = recordings().first();
    QCOMPARE(incompleteness(folder, QStringLiteral("complete")), QString());

    // Each cycle's sets in the order the camera takes them, each with its exposure.
    const QList<Row> rows = listedIn(folder);
    QCOMPARE(rows.size(), cycles * exposures.size());
    for (int i = 0; i < rows.size(); ++i) {
        const int cycle = i / exposures.size() + 1;
        const int set = i % exposures.size();
        QCOMPARE(rows.at(i).file, QStringLiteral("cycle-%1-set-%2.%3")
                                      .arg(cycle, 4, 10, QLatin1Char('0'))
                                      .arg(set, 2, 10, QLatin1Char('0'))
                                      .arg(format));
        QCOMPARE(rows.at(i).cycle, cycle);
        QCOMPARE(rows.at(i).set, set);
        QCOMPARE(rows.at(i).exposure, exposures.at(set));
        // Whole frame periods apart by the camera's clock (more than one only
        // where a slow machine, the sanitizers, made the sensor skip beats).
        if (periodUs > 0.0 && i > 0) {
            const double periods =
                double(rows.at(i).cameraTimeUs - rows.at(i - 1).cameraTimeUs) / periodUs;
            QVERIFY2(periods > 0.99 && std::abs(periods - std::round(periods)) < 0.01,
                     qPrintable(QString::number(periods)));
        }
    }
    const QJsonObject summary = QJsonDocument::fromJson(finished.out).object();
    QCOMPARE(summary.value("folder").toString(), folder);
    QCOMPARE(summary.value("images_written").toInt(), rows.size());
    QCOMPARE(summary.value("cycles").toInt(), cycles);
}

void TestSequenceRunner::badInputSaysWhyAndLeavesNoHalfFolder_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<qint64>("fileSizeLimit");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");
    const QStringList good{"--sequence", "@good.xml", "--out", "@out", "--cycles", "1"};
    const auto with = [](const QString &sequence) {
        return QStringList{"--sequence", "@" + sequence, "--out", "@out", "--cycles", "1"};
    };
    QTest::newRow("cycles and seconds") << good + QStringList{"--seconds", "1"} << qint64(0) << 1
                                        << "--cycles and --seconds do not go together";
    QTest::newRow("rate the camera cannot run a sequence at")
        << good + QStringList{"--rate", "500"} << qint64(0) << 1 << "--rate 500:";
    QTest::newRow("unknown camera")
        << good + QStringList{"--camera", "VK9999"} << qint64(0) << 2 << "no camera 'VK9999'";
    QTest::newRow("camera held by another program")
        << good + QStringList{"--camera", "2"} << qint64(0) << 2 << "held by another program";
    QTest::newRow("missing sequence file")
        << with("missing.xml") << qint64(0) << 3 << "missing.xml: no such file";
    QTest::newRow("another camera's sequence")
        << with("foreign.xml") << qint64(0) << 3
        << "foreign.xml: the camera does not take this sequencer configuration";
    QTest::newRow("no sequencer configuration")
        << with("project.xml") << qint64(0) << 3
        << "project.xml: the camera does not take this sequencer configuration";
    QTest::newRow("damaged sequence file")
        << with("damaged.xml") << qint64(0) << 3
        << "damaged.xml: the camera does not take this sequencer configuration";
    QTest::newRow("exposure longer than the run rate allows")
        << with("long.xml") + QStringList{"--rate", "10"} << qint64(0) << 3
        << "long.xml: the camera cannot take these values at 10 images a second";
    QTest::newRow("damaged camera file")
        << good + QStringList{"--camera-config", "@bad.ini"} << qint64(0) << 3
        << "bad.ini: the camera does not take this camera configuration";
    QTest::newRow("folder inside a file")
        << QStringList{"--sequence", "@good.xml", "--out", "@plain/out"} << qint64(0) << 4
        << "no folder can be made";
    // Each TIFF image is 3.9 MB; images.csv and the copies stay far below.
    QTest::newRow("full disk") << good << qint64(1000000) << 4 << "recording failed: cycle-0001";
}

void TestSequenceRunner::badInputSaysWhyAndLeavesNoHalfFolder()
{
    QFETCH(QStringList, arguments);
    QFETCH(qint64, fileSizeLimit);
    QFETCH(int, status);
    QFETCH(QString, message);
    const Finished finished = run(arguments, fileSizeLimit);
    QVERIFY2(finished.status == status, qPrintable(finished.errorLines.join('\n')));
    QCOMPARE(finished.errorLines.size(), 1);
    QVERIFY2(finished.errorLines.first().contains(message),
             qPrintable(finished.errorLines.first()));
    QVERIFY(finished.out.isEmpty());
    if (fileSizeLimit == 0) {
        QCOMPARE(recordings(), QStringList());
    } else {
        // What was written before the disk filled is complete and listed.
        QCOMPARE(recordings().size(), 1);
        QCOMPARE(incompleteness(recordings().first(), QStringLiteral("failed")), QString());
    }
}

void TestSequenceRunner::signalLeavesACompleteListedRecording_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGTERM") << int(SIGTERM);
}

void TestSequenceRunner::signalLeavesACompleteListedRecording()
{
    QFETCH(int, signalNumber);
    QProcess process;
    start(process, {"--sequence", "@good.xml", "--out", "@out"});
    QTRY_VERIFY_WITH_TIMEOUT(
        process.state() != QProcess::Running ||
            (recordings().size() == 1 && listedIn(recordings().first()).size() >= 4),
        60000);
    QCOMPARE(process.state(), QProcess::Running);
    QCOMPARE(::kill(pid_t(process.processId()), signalNumber), 0);
    const Finished finished = finish(process);
    QCOMPARE(finished.status, 130);
    QCOMPARE(finished.errorLines.size(), 1);
    QVERIFY2(finished.errorLines.first().contains("recording interrupted"),
             qPrintable(finished.errorLines.first()));
    QCOMPARE(incompleteness(recordings().first(), QStringLiteral("stopped")), QString());
}

void TestSequenceRunner::jsonSummarySaysHowTheRunEnded_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("recorded");
    QTest::newRow("time up") << QStringList{"--sequence", "@good.xml", "--out",
                                            "@out",       "--seconds", "1"}
                             << "time" << 0 << true;
    QTest::newRow("without recording")
        << QStringList{"--sequence", "@good.xml", "--no-record", "--seconds", "1"} << "time" << 0
        << false;
    QTest::newRow("file not loaded")
        << QStringList{"--sequence", "@damaged.xml", "--out", "@out"} << "file" << 3 << false;
}

void TestSequenceRunner::jsonSummarySaysHowTheRunEnded()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, reason);
    QFETCH(int, status);
    QFETCH(bool, recorded);
    const Finished finished = run(arguments + QStringList{"--json"});
    QVERIFY2(finished.status == status, qPrintable(finished.errorLines.join('\n')));
    QJsonParseError error{};
    const QJsonObject summary = QJsonDocument::fromJson(finished.out, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(summary.value("exit_reason").toString(), reason);
    QCOMPARE(summary.value("exit_status").toInt(), status);
    QCOMPARE(summary.value("folder").isString(), recorded);
    QCOMPARE(recordings().size(), recorded ? 1 : 0);
    // A run that went counted its images, recorded or not.
    if (status == 0)
        QVERIFY(summary.value("images_received").toInt() > 0);
}

QTEST_GUILESS_MAIN(TestSequenceRunner)
#include "tst_sequencerunner.moc"
