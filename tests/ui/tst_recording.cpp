// Images out of the running window: recordings labelled by cycle and set,
// their list, summary and copies of the configuration, the images written,
// dropped and lost, the faults that end a recording, the Record dialog's
// memory, Save Image's metadata, and each set's thumbnail and the status
// bar's figures while a sequence runs; each cycle's fused image (where the
// build can fuse) and radiance.

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/resource.h>
#include <tiffio.h>

#include <csignal>
#include <memory>

#include "cameragain.h"
#include "framestamp.h"
#include "mainwindow.h"
#include "radiancefilewriter.h"
#include "radianceimage.h"
#include "recorddialog.h"
#include "setthumbnail.h"
#include "vyrabuildoptions.h"
#include "windowdriver.h"

using VyraSim::Control;
using namespace WindowTest;

namespace {

const QList<double> exposures = {5.0, 15.0, 30.0};
const QList<int> gains = {10, 20, 30};

QWidget *editorOf(SequencerSet *set, qint64 feature, int row)
{
    for (SequencerProperty *property : set->properties()) {
        if (property->featureId() == feature)
            return property->rows().at(row).second;
    }
    return nullptr;
}

// "FRAME n SET s" as the simulated camera stamps it into the image
// ("SET -" outside a sequence).
QStringList stampOf(const QString &path)
{
    const QImage image = QImage(path).convertToFormat(QImage::Format_RGB888);
    const std::string text = VyraSim::FrameStamp::read(
        image.constBits(), image.bytesPerLine(), image.width(), image.height(), 0, 0, 24,
        VyraSim::FrameStamp::cornerScale(image.width()));
    const QRegularExpressionMatch stamp =
        QRegularExpression(QStringLiteral("^FRAME ([0-9]+) SET ([0-9]+|-)"))
            .match(QString::fromStdString(text));
    return stamp.hasMatch() ? QStringList{QStringLiteral("FRAME"), stamp.captured(1),
                                          QStringLiteral("SET"), stamp.captured(2)}
                            : QStringList{QString::fromStdString(text)};
}

// The text an image file carries: PNG text chunks, or the lines of the
// TIFF image description and its Model tag.
QMap<QString, QString> metadataOf(const QString &path)
{
    QMap<QString, QString> fields;
    if (path.endsWith(QLatin1String(".png"))) {
        const QImage image(path);
        for (const QString &key : image.textKeys())
            fields.insert(key, image.text(key));
        return fields;
    }
    TIFF *tiff = TIFFOpen(QFile::encodeName(path).constData(), "r");
    if (!tiff)
        return fields;
    char *text = nullptr;
    if (TIFFGetField(tiff, TIFFTAG_IMAGEDESCRIPTION, &text)) {
        for (const QString &line : QString::fromUtf8(text).split(QLatin1Char('\n')))
            fields.insert(line.section(QStringLiteral(": "), 0, 0),
                          line.section(QStringLiteral(": "), 1));
    }
    if (TIFFGetField(tiff, TIFFTAG_MODEL, &text))
        fields.insert(QStringLiteral("TIFF Model"), QString::fromUtf8(text));
    TIFFClose(tiff);
    return fields;
}

// The red, green and blue floats of a float TIFF, line after line.
QVector<float> floatTiffOf(const QString &path)
{
    QVector<float> values;
    TIFF *tiff = TIFFOpen(QFile::encodeName(path).constData(), "r");
    if (!tiff)
        return values;
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t bits = 0;
    uint16_t format = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetField(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetField(tiff, TIFFTAG_SAMPLEFORMAT, &format);
    if (bits == 32 && format == SAMPLEFORMAT_IEEEFP) {
        values.resize(int(3 * width * height));
        for (uint32_t y = 0; y < height; ++y)
            TIFFReadScanline(tiff, values.data() + 3 * width * y, y);
    }
    TIFFClose(tiff);
    return values;
}

// The "key: value" lines of a recording's recording.txt.
QMap<QString, QString> summaryOf(const QString &folder)
{
    QFile file(QDir(folder).filePath(QStringLiteral("recording.txt")));
    QMap<QString, QString> fields;
    if (!file.open(QIODevice::ReadOnly))
        return fields;
    for (const QString &line :
         QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        fields.insert(line.section(QStringLiteral(": "), 0, 0),
                      line.section(QStringLiteral(": "), 1));
    return fields;
}

// The rows of images.csv, each by its column names.
QList<QMap<QString, QString>> listOf(const QString &folder)
{
    QFile file(QDir(folder).filePath(QStringLiteral("images.csv")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines =
        QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    // The writer may have made the list but not yet written its header.
    if (lines.isEmpty())
        return {};
    const QStringList header = lines.takeFirst().split(QLatin1Char(','));
    QList<QMap<QString, QString>> rows;
    for (const QString &line : lines) {
        const QStringList values = line.split(QLatin1Char(','));
        QMap<QString, QString> row;
        for (int column = 0; column < header.size(); ++column)
            row.insert(header.at(column), values.value(column));
        rows << row;
    }
    return rows;
}

QStringList imagesIn(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral("cycle-*"), QStringLiteral(".*part")},
                                  QDir::Files | QDir::Hidden, QDir::Name);
}

// Lowers the largest file this process may write: a full disk for the
// writer, undone when it goes. Writing beyond it fails with EFBIG instead of
// ending the process.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_before);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_before;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_before);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_before{};
    void (*m_handler)(int) = nullptr;
};

} // namespace

class TestRecording : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void recordsLabelledCycles_data();
    void recordsLabelledCycles();
    void stopMidCycleKeepsWhatCame();
    void faultsEndTheRecordingCleanly_data();
    void faultsEndTheRecordingCleanly();
    void endSaysWrittenDroppedAndLostApart_data();
    void endSaysWrittenDroppedAndLostApart();
    void recordDialogRemembersItsChoice_data();
    void recordDialogRemembersItsChoice();
    void recordingThatCannotStartLeavesNothing_data();
    void recordingThatCannotStartLeavesNothing();
    void savedImageCarriesItsMetadata_data();
    void savedImageCarriesItsMetadata();
    void thumbnailsAndFiguresFollowTheRun();
    void recordsEachCycleImage_data();
    void recordsEachCycleImage();

private:
    void buildThreeSets();
    void startRun(bool stepped);
    /// One image with the next set, once it is on screen (and so has
    /// reached everything that takes the camera's images).
    void step(int set);
    /// Queues the answer to the Record dialog: this format, cycles (0 until
    /// stopped), with or without the fused image of each cycle.
    void answerRecordDialog(const QString &format, int cycles, bool fuse = false);
    void record(const QString &format, int cycles, bool fuse = false);
    bool recordingEnded() const;
    /// The folder the last recording made.
    QString lastRecording() const;
    void verifyCycles(const QString &folder, const QString &suffix, int cycles);

    std::unique_ptr<QTemporaryDir> parent;
    std::unique_ptr<ModalAnswerer> answerer;
    std::unique_ptr<MainWindow> window;
};

void TestRecording::init()
{
    hideSizeHintWarnings();
    Control::resetToDefaults();
    QVERIFY(Control::setCameras({cameraSpec(1, "VK1240C")}));
    parent = std::make_unique<QTemporaryDir>();
    QSettings(QStringLiteral("Quellmark"), QStringLiteral("Vyra Sequencer")).clear();
    answerer = std::make_unique<ModalAnswerer>();
    chooseCamera(*answerer, 1);
    window = std::make_unique<MainWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void TestRecording::cleanup()
{
    window.reset();
    answerer.reset();
    parent.reset();
}

void TestRecording::buildThreeSets()
{
    setFeature(window.get(), QStringLiteral("Exposure"), true);
    setFeature(window.get(), QStringLiteral("Gain"), true);
    for (int i = 0; i < 3; ++i)
        action(window.get(), "action_addsequence")->trigger();
    for (SequencerSet *set : setsOf(window.get())) {
        exposureBox(set)->setValue(exposures.at(set->index()));
        qobject_cast<QSpinBox *>(editorOf(set, 2, 1))->setValue(gains.at(set->index()));
    }
}

void TestRecording::startRun(bool stepped)
{
    action(window.get(), "action_run")->setChecked(true);
    QVERIFY(action(window.get(), "action_run")->isChecked());
    if (stepped)
        action(window.get(), "action_capture")->trigger();
}

void TestRecording::step(int set)
{
    action(window.get(), "actionAction_SingleForceTrigger")->trigger();
    QTRY_COMPARE(highlighted(window.get()), set);
}

void TestRecording::answerRecordDialog(const QString &format, int cycles, bool fuse)
{
    const QString folder = parent->path();
    answerer->answer([folder, format, cycles, fuse](QWidget *widget) {
        auto *dialog = qobject_cast<RecordDialog *>(widget);
        QVERIFY(dialog);
        dialog->findChild<QLineEdit *>(QStringLiteral("le_folder"))->setText(folder);
        dialog->findChild<QComboBox *>(QStringLiteral("cb_format"))
            ->setCurrentIndex(format == QLatin1String("png") ? 1 : 0);
        dialog->findChild<QRadioButton *>(QStringLiteral("rb_untilStopped"))
            ->setChecked(cycles == 0);
        dialog->findChild<QRadioButton *>(QStringLiteral("rb_cycles"))->setChecked(cycles > 0);
        dialog->findChild<QSpinBox *>(QStringLiteral("sb_cycles"))->setValue(std::max(1, cycles));
        dialog->findChild<QCheckBox *>(QStringLiteral("cb_fuse"))->setChecked(fuse);
        dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    });
}

void TestRecording::record(const QString &format, int cycles, bool fuse)
{
    answerRecordDialog(format, cycles, fuse);
    action(window.get(), "action_record")->trigger();
    QCOMPARE(answerer->pendingAnswers(), 0);
    QVERIFY(action(window.get(), "action_record")->isChecked());
    QCOMPARE(action(window.get(), "action_record")->text(), QStringLiteral("Stop Recording"));
}

bool TestRecording::recordingEnded() const
{
    return window->findChild<QLabel *>(QStringLiteral("recordingProgress"))->isHidden() &&
           !action(window.get(), "action_record")->isChecked();
}

QString TestRecording::lastRecording() const
{
    const QDir base(parent->path());
    const QStringList made = base.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    return made.isEmpty() ? QString() : base.filePath(made.last());
}

void TestRecording::verifyCycles(const QString &folder, const QString &suffix, int cycles)
{
    QStringList expected{QStringLiteral("camera.ini"), QStringLiteral("images.csv"),
                         QStringLiteral("recording.txt"), QStringLiteral("sequencer.xml")};
    for (int cycle = 1; cycle <= cycles; ++cycle) {
        for (int set = 0; set < 3; ++set)
            expected << QStringLiteral("cycle-%1-set-%2.%3")
                            .arg(cycle, 4, 10, QLatin1Char('0'))
                            .arg(set, 2, 10, QLatin1Char('0'))
                            .arg(suffix);
    }
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), sorted(expected));

    const QList<QMap<QString, QString>> rows = listOf(folder);
    QCOMPARE(rows.size(), 3 * cycles);
    for (const auto &row : rows) {
        const int set = row.value(QStringLiteral("set")).toInt();
        // The set and frame the camera stamped into the pixels.
        QCOMPARE(stampOf(QDir(folder).filePath(row.value(QStringLiteral("file")))),
                 QStringList({"FRAME", row.value(QStringLiteral("frame_number")), "SET",
                              row.value(QStringLiteral("set"))}));
        QCOMPARE(row.value(QStringLiteral("file")).mid(6, 4).toInt(),
                 row.value(QStringLiteral("cycle")).toInt());
        QCOMPARE(row.value(QStringLiteral("exposure_ms")).toDouble(), exposures.at(set));
        QCOMPARE(row.value(QStringLiteral("gain_master")).toInt(), gains.at(set));
        QCOMPARE(row.value(QStringLiteral("aoi_offset_x")), QStringLiteral("0"));
        QVERIFY(!row.value(QStringLiteral("flash_mode")).isEmpty());
    }
    const QMap<QString, QString> inFile =
        metadataOf(QDir(folder).filePath(rows.last().value(QStringLiteral("file"))));
    QCOMPARE(inFile.value(QStringLiteral("Sequencer set")), QStringLiteral("2"));
    QCOMPARE(inFile.value(QStringLiteral("Gain master")), QStringLiteral("30"));
    QCOMPARE(inFile.value(QStringLiteral("Frame number")),
             rows.last().value(QStringLiteral("frame_number")));
    QCOMPARE(inFile.value(QStringLiteral("Camera model")), QStringLiteral("VK1240C"));
    QCOMPARE(inFile.value(QStringLiteral("Serial number")), QStringLiteral("4102000011"));
}

void TestRecording::recordsLabelledCycles_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("stepped");
    QTest::addColumn<int>("cycles");
    QTest::addColumn<bool>("captureOneCycle");
    QTest::newRow("TIFF, one cycle, Live") << "tiff" << false << 1 << false;
    QTest::newRow("PNG, two cycles, by Trigger") << "png" << true << 2 << false;
    // After a recording the command needs no question.
    QTest::newRow("Capture One Cycle, Live") << "png" << false << 1 << true;
}

void TestRecording::recordsLabelledCycles()
{
    QFETCH(QString, format);
    QFETCH(bool, stepped);
    QFETCH(int, cycles);
    QFETCH(bool, captureOneCycle);
    buildThreeSets();
    startRun(stepped);
    record(format, cycles);
    for (int image = 0; stepped && image < 3 * cycles; ++image)
        step(image % 3);
    QTRY_VERIFY_WITH_TIMEOUT(recordingEnded(), 20000);
    if (captureOneCycle) {
        const QString first = lastRecording();
        action(window.get(), "action_captureCycle")->trigger();
        QVERIFY(!action(window.get(), "action_captureCycle")->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(recordingEnded() && lastRecording() != first, 20000);
        QVERIFY(action(window.get(), "action_captureCycle")->isEnabled());
    }
    QVERIFY(answerer->messages.isEmpty());
    const QString folder = lastRecording();
    verifyCycles(folder, format, cycles);
    QCOMPARE(window->statusBar()->currentMessage(),
             QStringLiteral("Recording complete: %1 images written, 0 dropped by the writer, 0 "
                            "lost by the camera, in %2")
                 .arg(3 * cycles)
                 .arg(QDir::toNativeSeparators(folder)));
    QVERIFY(QFileInfo(QDir(folder).filePath(QStringLiteral("sequencer.xml"))).size() > 0);
    QVERIFY(QFileInfo(QDir(folder).filePath(QStringLiteral("camera.ini"))).size() > 0);
}

void TestRecording::stopMidCycleKeepsWhatCame()
{
    buildThreeSets();
    startRun(true);
    record(QStringLiteral("tiff"), 0);
    step(0);
    step(1);
    QTRY_COMPARE(listOf(lastRecording()).size(), 2);
    action(window.get(), "action_record")->trigger();
    QTRY_VERIFY(recordingEnded());
    QCOMPARE(imagesIn(lastRecording()),
             QStringList({"cycle-0001-set-00.tiff", "cycle-0001-set-01.tiff"}));
    QCOMPARE(window->statusBar()->currentMessage(),
             QStringLiteral("Recording stopped: 2 images written, 0 dropped by the writer, 0 lost "
                            "by the camera, in %1")
                 .arg(QDir::toNativeSeparators(lastRecording())));
    // The run goes on as it was.
    QVERIFY(action(window.get(), "action_run")->isChecked());
    QVERIFY(action(window.get(), "actionAction_SingleForceTrigger")->isEnabled());
}

void TestRecording::faultsEndTheRecordingCleanly_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("message");
    QTest::newRow("disk full") << "disk full"
                               << "File too large";
    QTest::newRow("folder vanishes") << "folder vanishes"
                                     << "No such file or directory";
    QTest::newRow("camera pulled out") << "camera pulled out"
                                       << "the camera was removed";
}

void TestRecording::faultsEndTheRecordingCleanly()
{
    QFETCH(QString, fault);
    QFETCH(QString, message);
    record(QStringLiteral("tiff"), 0);
    const QString folder = lastRecording();
    QTRY_VERIFY_WITH_TIMEOUT(listOf(folder).size() >= 3, 20000);

    std::unique_ptr<FileSizeLimit> diskFull;
    if (fault == QLatin1String("disk full")) {
        // Smaller than an image, larger than the list.
        diskFull = std::make_unique<FileSizeLimit>(100000);
    } else if (fault == QLatin1String("folder vanishes")) {
        QTRY_VERIFY(QDir(folder).removeRecursively() && !QDir(folder).exists());
    } else {
        answerer->pressInNextMessageBox(QMessageBox::Ok);
        QVERIFY(Control::unplug(1));
    }
    QTRY_VERIFY_WITH_TIMEOUT(recordingEnded(), 20000);
    diskFull.reset();

    const bool removed = fault == QLatin1String("camera pulled out");
    if (removed) {
        QVERIFY(window->statusBar()->currentMessage().contains(message));
        QCOMPARE(enabledActions(window.get()), removedCameraActions);
    } else {
        QTRY_COMPARE(answerer->messages.size(), 1);
        QCOMPARE(answerer->messages.first().icon, QMessageBox::Critical);
        QVERIFY2(answerer->messages.first().text.contains(message),
                 qPrintable(answerer->messages.first().text));
        QCOMPARE(enabledActions(window.get()), cameraOpenActions);
        QVERIFY(Control::openCameraState(Control::openHandles().front())->live);
    }
    // What was written is complete and listed, and nothing else is there.
    QStringList listed;
    for (const auto &row : listOf(folder)) {
        listed << row.value(QStringLiteral("file"));
        QCOMPARE(stampOf(QDir(folder).filePath(listed.last())).value(1),
                 row.value(QStringLiteral("frame_number")));
    }
    QCOMPARE(imagesIn(folder), listed);
    QVERIFY(fault == QLatin1String("folder vanishes") || listed.size() >= 3);
}

void TestRecording::endSaysWrittenDroppedAndLostApart_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("written");
    QTest::addColumn<int>("lost");
    QTest::addColumn<int>("cycles");
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<QString>("ending");
    QTest::newRow("all written") << "none" << 6 << 0 << 2 << "complete"
                                 << "Recording complete: 6 images written, 0 dropped by the "
                                    "writer, 0 lost by the camera, in %1";
    QTest::newRow("an image lost by the camera")
        << "lost" << 5 << 1 << 2 << "complete"
        << "Recording complete: 5 images written, 0 dropped by the writer, 1 lost by the camera, "
           "in %1";
    // Smaller than an image, larger than the list and the summary.
    QTest::newRow("nothing written")
        << "disk full" << 0 << 0 << 1
        << "failed: cycle-0001-set-00.tiff could not be written: File too large"
        << "The recording ended early: cycle-0001-set-00.tiff could not be written: File too "
           "large\n\nNo image was written.";
}

void TestRecording::endSaysWrittenDroppedAndLostApart()
{
    QFETCH(QString, fault);
    QFETCH(int, written);
    QFETCH(int, lost);
    QFETCH(int, cycles);
    QFETCH(QString, outcome);
    QFETCH(QString, ending);
    buildThreeSets();
    startRun(true);
    record(QStringLiteral("tiff"), 2);
    const QString folder = lastRecording();
    std::unique_ptr<FileSizeLimit> diskFull;
    if (fault == QLatin1String("disk full")) {
        diskFull = std::make_unique<FileSizeLimit>(100000);
        step(0);
    } else {
        for (int image = 0; image < 6; ++image) {
            if (fault == QLatin1String("lost") && image == 2) {
                // The driver's answer about the image fails: it never arrives.
                QVERIFY(Control::injectFailure("describeFrame", VYRA_NO_SUCCESS));
                action(window.get(), "actionAction_SingleForceTrigger")->trigger();
                QTRY_COMPARE(Control::pendingFailures(), 0);
                continue;
            }
            step(image % 3);
        }
    }
    QTRY_VERIFY_WITH_TIMEOUT(recordingEnded(), 20000);
    diskFull.reset();

    if (written > 0) {
        QVERIFY(answerer->messages.isEmpty());
        QCOMPARE(window->statusBar()->currentMessage(),
                 ending.arg(QDir::toNativeSeparators(folder)));
    } else {
        QTRY_COMPARE(answerer->messages.size(), 1);
        QCOMPARE(answerer->messages.first().text, ending);
        QCOMPARE(window->statusBar()->currentMessage(), QStringLiteral("Recording failed"));
    }
    QCOMPARE(listOf(folder).size(), written);
    const QMap<QString, QString> summary = summaryOf(folder);
    QCOMPARE(summary.keys(),
             QStringList({"cycles", "dropped", "end", "lost", "outcome", "start", "written"}));
    QCOMPARE(summary.value(QStringLiteral("outcome")), outcome);
    QCOMPARE(summary.value(QStringLiteral("cycles")).toInt(), cycles);
    QCOMPARE(summary.value(QStringLiteral("written")).toInt(), written);
    QCOMPARE(summary.value(QStringLiteral("dropped")).toInt(), 0);
    QCOMPARE(summary.value(QStringLiteral("lost")).toInt(), lost);
    // The folder is named by the start.
    const QDateTime start =
        QDateTime::fromString(summary.value(QStringLiteral("start")), Qt::ISODate);
    QCOMPARE(start.toLocalTime().toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss")),
             QFileInfo(folder).fileName());
    QVERIFY(start <= QDateTime::fromString(summary.value(QStringLiteral("end")), Qt::ISODate));
}

void TestRecording::recordDialogRemembersItsChoice_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("cycles");
    QTest::newRow("PNG, seven cycles") << "png" << 7;
    QTest::newRow("TIFF, until stopped") << "tiff" << 0;
}

void TestRecording::recordDialogRemembersItsChoice()
{
    QFETCH(QString, format);
    QFETCH(int, cycles);
    record(format, cycles);
    // Live video's images are a cycle each: seven may be done already.
    if (action(window.get(), "action_record")->isChecked())
        action(window.get(), "action_record")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(recordingEnded(), 20000);

    // Once more in this run, and after a restart.
    for (bool restart : {false, true}) {
        if (restart) {
            window.reset();
            chooseCamera(*answerer, 1);
            window = std::make_unique<MainWindow>();
        }
        QStringList shown;
        answerer->answer([&shown](QWidget *widget) {
            shown << widget->findChild<QLineEdit *>(QStringLiteral("le_folder"))->text()
                  << widget->findChild<QComboBox *>(QStringLiteral("cb_format"))->currentText()
                  << QString::number(
                         widget->findChild<QRadioButton *>(QStringLiteral("rb_cycles"))->isChecked()
                             ? widget->findChild<QSpinBox *>(QStringLiteral("sb_cycles"))->value()
                             : 0);
            widget->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel)->click();
        });
        action(window.get(), "action_record")->trigger();
        QCOMPARE(answerer->pendingAnswers(), 0);
        QCOMPARE(shown,
                 QStringList({parent->path(),
                              format == QLatin1String("png") ? "PNG (compressed)"
                                                             : "TIFF (uncompressed, fastest)",
                              QString::number(cycles)}));
    }
}

void TestRecording::recordingThatCannotStartLeavesNothing_data()
{
    QTest::addColumn<bool>("folderInsideAFile");
    QTest::addColumn<QString>("message");
    QTest::newRow("folder inside a file") << true << "no folder can be made";
    QTest::newRow("camera parameters cannot be saved") << false << "could not be saved";
}

void TestRecording::recordingThatCannotStartLeavesNothing()
{
    QFETCH(bool, folderInsideAFile);
    QFETCH(QString, message);
    QFile file(parent->filePath(QStringLiteral("a file")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    const QStringList before =
        QDir(parent->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    const QStringList enabled = enabledActions(window.get());
    const QString folder =
        folderInsideAFile ? file.fileName() + QStringLiteral("/recordings") : parent->path();
    if (!folderInsideAFile)
        QVERIFY(Control::injectFailure("parameterSetControl", VYRA_FILE_WRITE_OPEN_ERROR));
    answerer->answer([folder](QWidget *widget) {
        widget->findChild<QLineEdit *>(QStringLiteral("le_folder"))->setText(folder);
        widget->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    });
    action(window.get(), "action_record")->trigger();
    QTRY_COMPARE(answerer->messages.size(), 1);
    QCOMPARE(answerer->messages.first().icon, QMessageBox::Critical);
    QVERIFY2(answerer->messages.first().text.contains(message),
             qPrintable(answerer->messages.first().text));
    QVERIFY(!action(window.get(), "action_record")->isChecked());
    QCOMPARE(enabledActions(window.get()), enabled);
    QCOMPARE(QDir(parent->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
}

void TestRecording::savedImageCarriesItsMetadata_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("TIFF") << "snapshot.tiff";
    QTest::newRow("PNG") << "snapshot.png";
}

void TestRecording::savedImageCarriesItsMetadata()
{
    QFETCH(QString, name);
    buildThreeSets();
    startRun(true);
    step(0);
    step(1);
    const QString path = parent->filePath(name);
    answerer->typeInNextFileDialog(path);
    action(window.get(), "action_saveImage")->trigger();
    QTRY_VERIFY(QFileInfo::exists(path));
    QCOMPARE(QDir(parent->path()).entryList(QDir::Files | QDir::Hidden), QStringList{name});
    QVERIFY(answerer->messages.isEmpty());

    // The last image received: set 1's, at full size.
    const QStringList stamp = stampOf(path);
    QCOMPARE(stamp.value(3), QStringLiteral("1"));
    QCOMPARE(QImageReader(path).size(), QSize(640, 480));
    const QMap<QString, QString> fields = metadataOf(path);
    QCOMPARE(fields.value(QStringLiteral("Sequencer set")), QStringLiteral("1"));
    QCOMPARE(fields.value(QStringLiteral("Frame number")), stamp.value(1));
    QVERIFY(fields.value(QStringLiteral("Camera time us")).toULongLong() > 0);
    QCOMPARE(fields.value(QStringLiteral("Exposure ms")), QStringLiteral("15.000"));
    QCOMPARE(fields.value(QStringLiteral("Gain master")), QStringLiteral("20"));
    QCOMPARE(fields.value(QStringLiteral("AOI offset x")), QStringLiteral("0"));
    QCOMPARE(fields.value(QStringLiteral("AOI offset y")), QStringLiteral("0"));
    QVERIFY(fields.contains(QStringLiteral("Flash mode")));
    QVERIFY(fields.contains(QStringLiteral("Flash delay us")));
    QCOMPARE(fields.value(QStringLiteral("Camera model")), QStringLiteral("VK1240C"));
    QCOMPARE(fields.value(QStringLiteral("Serial number")), QStringLiteral("4102000011"));
    if (name.endsWith(QLatin1String(".tiff")))
        QCOMPARE(fields.value(QStringLiteral("TIFF Model")), QStringLiteral("VK1240C"));
}

void TestRecording::thumbnailsAndFiguresFollowTheRun()
{
    buildThreeSets();
    startRun(false);
    const QList<SequencerSet *> sets = setsOf(window.get());
    const auto meanOf = [](SequencerSet *set) {
        return set->thumbnail()->findChild<QLabel *>(QStringLiteral("thumbnailMean"))->text();
    };
    QTRY_VERIFY_WITH_TIMEOUT(
        std::all_of(sets.begin(), sets.end(),
                    [](SequencerSet *set) { return !set->thumbnail()->picture().isNull(); }),
        20000);
    // Longer exposures are brighter; a share above 1 % is red.
    QList<int> means;
    for (SequencerSet *set : sets) {
        QVERIFY(set->thumbnail()->isVisible());
        QCOMPARE(set->thumbnail()->picture().width(), set->thumbnail()->pictureWidth());
        means << meanOf(set).section(QLatin1Char(' '), 1).toInt();
        auto *clipped = set->thumbnail()->findChild<QLabel *>(QStringLiteral("thumbnailClipped"));
        const double share = clipped->text().section(QLatin1Char(' '), 1, 1).toDouble();
        QCOMPARE(clipped->styleSheet().contains(QLatin1String("210, 40, 40")), share > 1.0);
    }
    QVERIFY2(
        means.at(0) < means.at(1) && means.at(1) < means.at(2),
        qPrintable(QStringLiteral("%1 %2 %3").arg(means.at(0)).arg(means.at(1)).arg(means.at(2))));
    auto *figures = window->findChild<QLabel *>(QStringLiteral("streamStatistics"));
    QTRY_VERIFY(figures->text().contains(
        QRegularExpression(QStringLiteral("Set [0-2] of 3   Cycle [1-9]"))));
    QVERIFY(figures->text().startsWith(QStringLiteral("Received ")));

    action(window.get(), "action_run")->trigger();
    for (SequencerSet *set : sets) {
        QVERIFY(set->thumbnail()->isHidden());
        QVERIFY(set->thumbnail()->picture().isNull());
    }
    QTRY_VERIFY(!figures->text().contains(QLatin1String("Set ")));
}

void TestRecording::recordsEachCycleImage_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("suffixes");
    if (VYRA_EXPOSURE_FUSION)
        QTest::newRow("fused image") << "hdr" << QStringList{"tiff"};
    QTest::newRow("radiance") << "radiance"
                              << (RadianceFileWriter::exrAvailable() ? QStringList{"exr", "tiff"}
                                                                     : QStringList{"tiff"});
}

void TestRecording::recordsEachCycleImage()
{
    QFETCH(QString, kind);
    QFETCH(QStringList, suffixes);
    buildThreeSets();
    startRun(true);
    answerer->answer([this, kind](QWidget *widget) {
        widget->findChild<QLineEdit *>(QStringLiteral("le_folder"))->setText(parent->path());
        widget->findChild<QSpinBox *>(QStringLiteral("sb_cycles"))->setValue(2);
        widget->findChild<QRadioButton *>(QStringLiteral("rb_cycles"))->setChecked(true);
        widget
            ->findChild<QCheckBox *>(kind == QLatin1String("hdr") ? QStringLiteral("cb_fuse")
                                                                  : QStringLiteral("cb_radiance"))
            ->setChecked(true);
        widget->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    });
    action(window.get(), "action_record")->trigger();
    for (int image = 0; image < 6; ++image)
        step(image % 3);
    QTRY_VERIFY_WITH_TIMEOUT(recordingEnded(), 20000);
    QVERIFY(answerer->messages.isEmpty());
    const QString folder = lastRecording();
    // Each cycle's own images are listed once made, named by the cycle,
    // with no frame or parameters of their own.
    QStringList made;
    for (int cycle = 1; cycle <= 2; ++cycle) {
        for (const QString &suffix : suffixes)
            made << QStringLiteral("cycle-%1-%2.%3")
                        .arg(cycle, 4, 10, QLatin1Char('0'))
                        .arg(kind, suffix);
    }
    QStringList listed;
    for (const QMap<QString, QString> &row : listOf(folder)) {
        if (row.value(QStringLiteral("set")) != kind)
            continue;
        listed << row.value(QStringLiteral("file"));
        QCOMPARE(row.value(QStringLiteral("file")).mid(6, 4).toInt(),
                 row.value(QStringLiteral("cycle")).toInt());
        QVERIFY(row.value(QStringLiteral("exposure_ms")).isEmpty());
    }
    QCOMPARE(sorted(listed), sorted(made));
    QCOMPARE(imagesIn(folder).size(), 6 + made.size());
    const QString path = QDir(folder).filePath(made.last());
    const QString setImage = QDir(folder).filePath(QStringLiteral("cycle-0002-set-01.tiff"));
    if (kind == QLatin1String("hdr")) {
        QCOMPARE(QImageReader(path).size(), QImageReader(setImage).size());
        QCOMPARE(metadataOf(path).value(QStringLiteral("Sequencer set")), QStringLiteral("hdr"));
        return;
    }
    // The light of the pixels set 1 saw well, times its exposure and gain,
    // gives its values back.
    const QVector<float> radiance = floatTiffOf(path);
    const QImage seen = QImage(setImage).convertToFormat(QImage::Format_RGB888);
    QCOMPARE(radiance.size(), 3 * seen.width() * seen.height());
    const double factor =
        exposures.at(1) * CameraGain::linearFactors(QStringLiteral("VK1240C"), {gains.at(1)})[1];
    QVector<double> ratios;
    for (int y = 0; y < seen.height(); ++y) {
        for (int x = 0; x < seen.width(); ++x) {
            const int value = seen.constScanLine(y)[3 * x + 1];
            if (value > 20 && value < 235)
                ratios << radiance.at(3 * (y * seen.width() + x) + 1) * factor / value;
        }
    }
    QVERIFY(ratios.size() > seen.width() * seen.height() / 10);
    std::nth_element(ratios.begin(), ratios.begin() + ratios.size() / 2, ratios.end());
    QVERIFY2(qAbs(ratios.at(ratios.size() / 2) - 1.0) < 0.05,
             qPrintable(QString::number(ratios.at(ratios.size() / 2))));
    QCOMPARE(metadataOf(path).value(QStringLiteral("Unit")), RadianceImage::unit());
}

QTEST_MAIN(TestRecording)
#include "tst_recording.moc"
