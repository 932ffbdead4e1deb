#include <QDir>
#include <QFile>
#include <QTest>

#include "fuzzchecks.h"

// Replays the fuzzers' seeds and every input that once made a loader fail,
// with the checks the fuzz targets make, in the ordinary build.
class TestFuzzRegressions : public QObject
{
    Q_OBJECT

private slots:
    void keptInputsAreHandledSoundly_data();
    void keptInputsAreHandledSoundly();
};

void TestFuzzRegressions::keptInputsAreHandledSoundly_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("path");
    int inputs = 0;
    for (const QString &target : {QStringLiteral("sequencerxml"), QStringLiteral("parameterset")}) {
        for (const QString &kind : {QStringLiteral("corpus"), QStringLiteral("regressions")}) {
            const QDir dir(QStringLiteral(VYRA_FUZZ_DIR "/%1/%2").arg(kind, target));
            for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden, QDir::Name)) {
                QTest::newRow(
                    qPrintable(kind + QLatin1Char('/') + target + QLatin1Char('/') + name))
                    << target << dir.filePath(name);
                ++inputs;
            }
        }
    }
    if (inputs == 0)
        qFatal("no fuzz inputs found under %s", VYRA_FUZZ_DIR);
}

void TestFuzzRegressions::keptInputsAreHandledSoundly()
{
    QFETCH(QString, target);
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray input = file.readAll();
    const auto *data = reinterpret_cast<const uint8_t *>(input.constData());
    const size_t size = size_t(input.size());
    std::string problem;
    if (target == QLatin1String("sequencerxml"))
        problem = FuzzChecks::sequencerXml(data, size);
    else if (target == QLatin1String("parameterset"))
        problem = FuzzChecks::parameterSet(data, size);
    else
        QFAIL("unknown fuzz target");
    QVERIFY2(problem.empty(), problem.c_str());
}

QTEST_GUILESS_MAIN(TestFuzzRegressions)
#include "tst_fuzzregressions.moc"
