// Broken and awkward files through the window's four file commands: each
// gives a clear message and leaves the sets on screen and the camera as they
// were; good files under awkward names work.

#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QProgressDialog>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "mainwindow.h"
#include "vyracameraexception.h"
#include "windowdriver.h"

using namespace WindowTest;

namespace {

enum class Kind { Sequence, Camera };

using Mutation = QByteArray (*)(const QByteArray &good, Kind kind);

QByteArray truncated(const QByteArray &good, Kind)
{
    return good.left(good.size() / 2);
}

QByteArray empty(const QByteArray &, Kind)
{
    return {};
}

QByteArray foreign(const QByteArray &, Kind kind)
{
    // An INI file where XML is expected, and XML where INI is.
    return kind == Kind::Sequence ? QByteArray("[Camera]\nModel=VK1240C\n")
                                  : QByteArray("<?xml version=\"1.0\"?>\n<camera/>\n");
}

QByteArray otherModel(const QByteArray &good, Kind)
{
    return QByteArray(good).replace("VK1240C", "VK9090C");
}

QByteArray outOfRange(const QByteArray &good, Kind kind)
{
    if (kind == Kind::Sequence)
        return QByteArray(good).replace("milliseconds=\"5\"", "milliseconds=\"99999\"");
    QByteArray changed = good;
    const int at = changed.indexOf("Exposure=");
    return changed.replace(at, changed.indexOf('\n', at) - at, "Exposure=99999");
}

QByteArray huge(const QByteArray &good, Kind)
{
    // A good file with 4 MiB of blank lines after it.
    return good + QByteArray(4 << 20, '\n');
}

QByteArray unchanged(const QByteArray &good, Kind)
{
    return good;
}

const char sequenceFailure[] = "Configuration could not be loaded.";
const char cameraFailure[] = "Camera Configuration could not be load!";

} // namespace

Q_DECLARE_METATYPE(Kind)
Q_DECLARE_METATYPE(Mutation)

class TestBadFiles : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void loading_data();
    void loading();
    void saving_data();
    void saving();

private:
    void answerFile(const QString &path);
    void runFileCommand(const char *command, const QString &path);
    /// The camera's own state that a file command may change.
    QString cameraState() const;

    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<ModalAnswerer> answerer;
    std::unique_ptr<MainWindow> window;
    QByteArray goodSequence;
    QByteArray goodCamera;
};

void TestBadFiles::init()
{
    hideSizeHintWarnings();
    Control::resetToDefaults();
    QVERIFY(Control::setCameras({cameraSpec(1, "VK1240C")}));
    QSettings(QStringLiteral("Quellmark"), QStringLiteral("Vyra Sequencer")).clear();
    folder = std::make_unique<QTemporaryDir>();
    answerer = std::make_unique<ModalAnswerer>();
    chooseCamera(*answerer, 1);
    window = std::make_unique<MainWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));

    // Good files of two sets with exposures 5 and 8 ms, and of the camera.
    setFeature(window.get(), QStringLiteral("Exposure"), true);
    for (int i = 0; i < 2; ++i)
        action(window.get(), "action_addsequence")->trigger();
    const QList<SequencerSet *> sets = setsOf(window.get());
    sets[0]->findChild<QDoubleSpinBox *>()->setValue(5.0);
    sets[1]->findChild<QDoubleSpinBox *>()->setValue(8.0);
    runFileCommand("action_save", folder->filePath(QStringLiteral("good.xml")));
    runFileCommand("action_saveCameraConfiguration", folder->filePath(QStringLiteral("good")));
    QFile sequence(folder->filePath(QStringLiteral("good.xml")));
    QFile camera(folder->filePath(QStringLiteral("good.ini")));
    QVERIFY(sequence.open(QIODevice::ReadOnly) && camera.open(QIODevice::ReadOnly));
    goodSequence = sequence.readAll();
    goodCamera = camera.readAll();
    QVERIFY(goodSequence.contains("milliseconds=\"5\"") && goodCamera.contains("Exposure="));

    // What is on screen now differs from the files: three sets with gain.
    answerer->pressInNextMessageBox(QMessageBox::Yes);
    action(window.get(), "action_new")->trigger();
    setFeature(window.get(), QStringLiteral("Gain"), true);
    for (int i = 0; i < 3; ++i)
        action(window.get(), "action_addsequence")->trigger();
    QVERIFY(answerer->messages.size() == 1);
    answerer->messages.clear();
}

void TestBadFiles::cleanup()
{
    window.reset();
    answerer.reset();
}

void TestBadFiles::answerFile(const QString &path)
{
    answerer->typeInNextFileDialog(path);
}

void TestBadFiles::runFileCommand(const char *command, const QString &path)
{
    answerFile(path);
    if (qstrcmp(command, "action_load") == 0)
        answerer->pressInNextMessageBox(QMessageBox::Yes);
    action(window.get(), command)->trigger();
    QTRY_VERIFY(window->findChildren<QProgressDialog *>().isEmpty());
    QTRY_COMPARE(answerer->pendingAnswers(), 0);
    QTRY_VERIFY(!QApplication::activeModalWidget());
}

QString TestBadFiles::cameraState() const
{
    const VyraSim::OpenCameraState state =
        *Control::openCameraState(Control::openHandles().front());
    const VyraSim::SequencerValues &values = state.values;
    return QStringLiteral("live %1 configuring %2 trigger %3 aoi %4x%5 exposure %6 gain %7 "
                          "clock %8 sets %9")
        .arg(state.live)
        .arg(state.configurationMode)
        .arg(state.triggerMode)
        .arg(state.aoi.width)
        .arg(state.aoi.height)
        .arg(values.exposureMs)
        .arg(values.masterGain)
        .arg(state.pixelClockMHz)
        .arg(state.sequence == VyraSim::SequencerConfiguration{} ? 0 : state.sequence.enabledFeatures);
}

void TestBadFiles::loading_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<Mutation>("mutation");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    // A sequence file's failure says why, in the driver's words.
    const struct
    {
        const char *fault;
        Mutation mutation;
        VyraStatus reason;
    } faults[] = {{"truncated", truncated, VYRA_INVALID_PARAMETER},
                  {"empty", empty, VYRA_INVALID_PARAMETER},
                  {"another format", foreign, VYRA_INVALID_PARAMETER},
                  {"another camera model", otherModel, VYRA_INVALID_CAMERA_TYPE},
                  {"value out of range", outOfRange, VYRA_INVALID_PARAMETER},
                  {"very large", huge, VYRA_INVALID_PARAMETER}};
    for (const auto &fault : faults) {
        const VyraCameraException reason(fault.reason, "", "", 0);
        QTest::newRow(qPrintable(QStringLiteral("sequence, %1").arg(fault.fault)))
            << Kind::Sequence << fault.mutation << "broken.xml"
            << QStringLiteral("%1\n\n%2").arg(sequenceFailure, reason.what());
        QTest::newRow(qPrintable(QStringLiteral("camera, %1").arg(fault.fault)))
            << Kind::Camera << fault.mutation << "broken.ini" << cameraFailure;
    }
    QTest::newRow("sequence, spaces and accents")
        << Kind::Sequence << Mutation(unchanged) << "zwei Sätze – Prüfung.xml" << QString();
    QTest::newRow("camera, spaces and accents")
        << Kind::Camera << Mutation(unchanged) << "Kamera für Linie 4.ini" << QString();
}

void TestBadFiles::loading()
{
    QFETCH(Kind, kind);
    QFETCH(Mutation, mutation);
    QFETCH(QString, name);
    QFETCH(QString, message);
    const QString path = folder->filePath(name);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(mutation(kind == Kind::Sequence ? goodSequence : goodCamera, kind));
    file.close();
    const QString screenBefore = summary(window.get(), folder->path());
    const QString cameraBefore = cameraState();

    runFileCommand(kind == Kind::Sequence ? "action_load" : "action_loadCameraConfiguration",
                   path);

    const QStringList shown = [this] {
        QStringList texts;
        for (const ModalAnswerer::Message &m : answerer->messages)
            texts << m.text;
        return texts;
    }();
    if (message.isEmpty()) {
        // The discard question (for a sequence) and nothing else.
        QCOMPARE(shown.size(), kind == Kind::Sequence ? 1 : 0);
        if (kind == Kind::Sequence)
            QCOMPARE(setsOf(window.get()).size(), 2);
        return;
    }
    QVERIFY(!shown.isEmpty());
    QCOMPARE(shown.last(), message);
    QCOMPARE(answerer->messages.last().icon, QMessageBox::Critical);
    QCOMPARE(summary(window.get(), folder->path()), screenBefore);
    QCOMPARE(cameraState(), cameraBefore);
}

void TestBadFiles::saving_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::newRow("sequence into a missing folder")
        << QByteArray("action_save") << "missing/sequence.xml"
        << "Configuration could not be saved.";
    QTest::newRow("camera into a missing folder")
        << QByteArray("action_saveCameraConfiguration") << "missing/camera.ini"
        << "Camera Configuration could not be save!";
    QTest::newRow("sequence, spaces and accents")
        << QByteArray("action_save") << "Ablauf für Linie 4.xml" << QString();
    QTest::newRow("camera, spaces and accents")
        << QByteArray("action_saveCameraConfiguration") << "Kamera – Linie 4.ini" << QString();
}

void TestBadFiles::saving()
{
    QFETCH(QByteArray, command);
    QFETCH(QString, name);
    QFETCH(QString, message);
    const QString screenBefore = summary(window.get(), folder->path());
    runFileCommand(command.constData(), folder->filePath(name));
    QVERIFY(cameraState().startsWith(QLatin1String("live 1 configuring 0")));
    if (message.isEmpty()) {
        QVERIFY(answerer->messages.isEmpty());
        QVERIFY(QFileInfo(folder->filePath(name)).size() > 0);
        return;
    }
    QCOMPARE(answerer->messages.size(), 1);
    QVERIFY2(answerer->messages.first().text.startsWith(message),
             qPrintable(answerer->messages.first().text));
    QCOMPARE(summary(window.get(), folder->path()), screenBefore);
    QVERIFY(!QFileInfo::exists(folder->filePath(name)));
}

QTEST_MAIN(TestBadFiles)
#include "tst_badfiles.moc"
