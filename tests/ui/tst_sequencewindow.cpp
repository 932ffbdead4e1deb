// The main window's commands end to end on the simulated camera: building a
// sequence, running it live and trigger by trigger with the highlight
// following the camera, saving and loading both kinds of file, and the
// camera being pulled out and plugged in again.

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QRadioButton>
#include <QSettings>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <memory>

#include "generatesetsdialog.h"
#include "imagesizedialog.h"
#include "mainwindow.h"
#include "sequencerproperty.h"
#include "sequencerset.h"
#include "sequencerworkspace.h"
#include "sequencerworkspaceview.h"
#include "settingsdialogsupport.h"
#include "windowdriver.h"

using VyraSim::Control;
using namespace WindowTest;

namespace {

const QString removedText = QStringLiteral("Camera removed!\nPlease reconnect the Camera.");
const QString reconnectedText = QStringLiteral("Camera reconnected.");
const QString noPropertyText = QStringLiteral("Please select a property to run the Sequencer.");

void checkFeature(QWidget *window, const QString &name)
{
    setFeature(window, name, true);
}

QStringList checkedFeatures(QWidget *window)
{
    QStringList names;
    for (QToggleButton *toggle : toggles(window)) {
        if (toggle->isChecked())
            names << toggle->text();
    }
    names.sort();
    return names;
}

QList<double> exposuresShown(QWidget *window)
{
    QList<double> shown;
    for (SequencerSet *set : setsOf(window))
        shown << exposureBox(set)->value();
    return shown;
}

VyraSim::OpenCameraState cameraState()
{
    return Control::openCameraState(Control::openHandles().front()).value();
}

/// Types into a spin box as a person does: the old text selected, the new
/// one typed key by key, Return.
void typeInto(QAbstractSpinBox *box, const QString &text)
{
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Return);
}

QDoubleSpinBox *rateBox(QWidget *window)
{
    return window->findChild<QDoubleSpinBox *>(QStringLiteral("sb_sequencerframerate"));
}

int openMessageBoxes(QWidget *window)
{
    int open = 0;
    for (QMessageBox *box : window->findChildren<QMessageBox *>())
        open += box->isVisible();
    return open;
}

} // namespace

class TestSequenceWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void addSetStopsAt32();
    void startIsRefused_data();
    void startIsRefused();
    void fileNamesGetTheirSuffix_data();
    void fileNamesGetTheirSuffix();
    void discardQuestion_data();
    void discardQuestion();
    void runFollowsTheRingAndTriggerSteps();
    void runRateIsKeptWithinItsRange_data();
    void runRateIsKeptWithinItsRange();
    void exposureStopsAtWhatTheRunRateAllows_data();
    void exposureStopsAtWhatTheRunRateAllows();
    void anExposureBracketRunsAtFiveImagesASecond();
    void aBracketMadeInOneDialogRunsAndIsUndone();
    void saveNewLoadGivesTheSameSequence();
    void cameraConfigurationInTheBackground();
    void offsetEditorsFollowTheImageSize();
    void cameraPulledOutDuringARun();
    void flappingConnectionShowsOneTruthfulBox_data();
    void flappingConnectionShowsOneTruthfulBox();

private:
    /// Exposure checked and three sets with the exposures 5, 15 and 30 ms.
    void buildThreeSets();
    void start();

    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<ModalAnswerer> answerer;
    std::unique_ptr<MainWindow> window;
};

void TestSequenceWindow::init()
{
    hideSizeHintWarnings();
    Control::resetToDefaults();
    QVERIFY(Control::setCameras({cameraSpec(1, "VK1240C"), cameraSpec(2, "VK2230C")}));
    folder = std::make_unique<QTemporaryDir>();
    QSettings(QStringLiteral("Quellmark"), QStringLiteral("Vyra Sequencer")).clear();
    answerer = std::make_unique<ModalAnswerer>();
    chooseCamera(*answerer, 1);
    window = std::make_unique<MainWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QCOMPARE(statusText(window.get()), QStringLiteral("VK1240C-USB opened"));
}

void TestSequenceWindow::cleanup()
{
    window.reset();
    answerer.reset();
}

void TestSequenceWindow::buildThreeSets()
{
    checkFeature(window.get(), QStringLiteral("Exposure"));
    for (int i = 0; i < 3; ++i)
        action(window.get(), "action_addsequence")->trigger();
    const QList<double> exposures = {5.0, 15.0, 30.0};
    for (SequencerSet *set : setsOf(window.get()))
        exposureBox(set)->setValue(exposures.at(set->index()));
}

void TestSequenceWindow::start()
{
    const int messages = answerer->messages.size();
    action(window.get(), "action_run")->setChecked(true);
    QCOMPARE(answerer->messages.size(), messages);
    QCOMPARE(action(window.get(), "action_run")->text(), QStringLiteral("Stop Sequencer"));
}

void TestSequenceWindow::addSetStopsAt32()
{
    checkFeature(window.get(), QStringLiteral("Gain"));
    for (int i = 0; i < 33; ++i)
        action(window.get(), "action_addsequence")->trigger();
    QCOMPARE(setsOf(window.get()).size(), 32);
    QCOMPARE(setsOf(window.get()).last()->title(), QStringLiteral("Set 31 → 0"));
    QCOMPARE(answerer->messages.size(), 1);
    QCOMPARE(answerer->messages.first().text,
             QStringLiteral("Maximal Number of Sequencer Sets reached."));
    QCOMPARE(answerer->messages.first().icon, QMessageBox::Warning);
}

void TestSequenceWindow::startIsRefused_data()
{
    QTest::addColumn<bool>("feature");
    QTest::addColumn<int>("sets");
    QTest::addColumn<QString>("message");
    QTest::newRow("no feature") << false << 1 << noPropertyText;
    // Nothing to write: the start says so and puts itself back.
    QTest::newRow("no sets") << true << 0 << QStringLiteral("There is no set in the sequence.");
}

void TestSequenceWindow::startIsRefused()
{
    QFETCH(bool, feature);
    QFETCH(int, sets);
    QFETCH(QString, message);
    if (feature)
        checkFeature(window.get(), QStringLiteral("Flash"));
    for (int i = 0; i < sets; ++i)
        action(window.get(), "action_addsequence")->trigger();
    const QStringList enabled = enabledActions(window.get());
    const double rate = cameraState().frameRate;

    action(window.get(), "action_run")->trigger();
    QCOMPARE(answerer->messages.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty())
        QCOMPARE(answerer->messages.first().text, message);
    QVERIFY(!action(window.get(), "action_run")->isChecked());
    QCOMPARE(action(window.get(), "action_run")->text(), QStringLiteral("Start Sequencer"));
    QCOMPARE(enabledActions(window.get()), enabled);
    QVERIFY(togglesEnabled(window.get(), true));
    QVERIFY(!cameraState().sequencerMode);
    QCOMPARE(cameraState().frameRate, rate);
}

void TestSequenceWindow::fileNamesGetTheirSuffix_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("written");
    QTest::newRow("sequence without suffix") << QByteArray("action_save") << "seq" << "seq.xml";
    QTest::newRow("sequence with suffix") << QByteArray("action_save") << "seq.xml" << "seq.xml";
    // Only the lower-case suffix counts.
    QTest::newRow("sequence upper case") << QByteArray("action_save") << "seq.XML"
                                         << "seq.XML.xml";
    QTest::newRow("camera without suffix")
        << QByteArray("action_saveCameraConfiguration") << "cam" << "cam.ini";
    QTest::newRow("camera with suffix")
        << QByteArray("action_saveCameraConfiguration") << "cam.ini" << "cam.ini";
}

void TestSequenceWindow::fileNamesGetTheirSuffix()
{
    QFETCH(QByteArray, command);
    QFETCH(QString, chosen);
    QFETCH(QString, written);
    buildThreeSets();
    QTemporaryDir files;
    answerer->typeInNextFileDialog(files.filePath(chosen));
    action(window.get(), command.constData())->trigger();
    QTRY_VERIFY(QFileInfo::exists(files.filePath(written)));
    QTRY_VERIFY(window->findChildren<QProgressDialog *>().isEmpty());
    QCOMPARE(QDir(files.path()).entryList(QDir::Files), QStringList{written});
    QVERIFY(answerer->messages.isEmpty());
}

void TestSequenceWindow::discardQuestion_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<bool>("discard");
    QTest::newRow("new, yes") << QByteArray("action_new") << true;
    QTest::newRow("new, no") << QByteArray("action_new") << false;
    // Yes, then the camera dialog is cancelled: the camera stays.
    QTest::newRow("change camera, yes") << QByteArray("action_opencamera") << true;
    QTest::newRow("change camera, no") << QByteArray("action_opencamera") << false;
    QTest::newRow("load, yes") << QByteArray("action_load") << true;
    QTest::newRow("load, no") << QByteArray("action_load") << false;
}

void TestSequenceWindow::discardQuestion()
{
    QFETCH(QByteArray, command);
    QFETCH(bool, discard);
    const bool load = command == "action_load";
    const QString file = folder->filePath(QStringLiteral("two sets.xml"));
    if (load) {
        // A file of two sets with Gain, while the screen shows three with Exposure.
        checkFeature(window.get(), QStringLiteral("Gain"));
        action(window.get(), "action_addsequence")->trigger();
        action(window.get(), "action_addsequence")->trigger();
        answerer->typeInNextFileDialog(file);
        action(window.get(), "action_save")->trigger();
        answerer->pressInNextMessageBox(QMessageBox::Yes);
        action(window.get(), "action_new")->trigger();
    }
    buildThreeSets();
    const VyraSim::SequencerConfiguration stored = cameraState().sequence;

    const int messages = answerer->messages.size();
    if (load)
        answerer->typeInNextFileDialog(file);
    answerer->pressInNextMessageBox(discard ? QMessageBox::Yes : QMessageBox::No);
    if (discard && command == "action_opencamera")
        cancelCameraDialog(*answerer);
    action(window.get(), command.constData())->trigger();
    QCOMPARE(answerer->pendingAnswers(), 0);
    QCOMPARE(answerer->messages.size(), messages + 1);
    const ModalAnswerer::Message question = answerer->messages.last();
    QCOMPARE(question.text, QStringLiteral("Do you want to discard your current Configuration?"));
    QCOMPARE(question.icon, QMessageBox::Information);
    QCOMPARE(question.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(Control::openHandles().size(), size_t(1));

    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (!discard) {
        QCOMPARE(exposuresShown(window.get()), QList<double>({5.0, 15.0, 30.0}));
        QCOMPARE(checkedFeatures(window.get()), QStringList{"Exposure"});
        QCOMPARE(cameraState().sequence, stored);
    } else if (load) {
        QCOMPARE(setsOf(window.get()).size(), 2);
        QCOMPARE(checkedFeatures(window.get()), QStringList{"Gain"});
    } else {
        QVERIFY(setsOf(window.get()).isEmpty());
        QVERIFY(checkedFeatures(window.get()).isEmpty());
    }
}

void TestSequenceWindow::runFollowsTheRingAndTriggerSteps()
{
    buildThreeSets();
    start();
    QCOMPARE(cameraState().frameRate, 5.0);
    QVERIFY(!togglesEnabled(window.get(), true));
    QVERIFY(!action(window.get(), "action_addsequence")->isEnabled());
    const QList<ShownImage> live = sequenceImagesShown(window.get(), 7);
    QCOMPARE(live.size(), 7);
    QVERIFY(followsTheRing(live, 3));

    // Live off: each Trigger takes one image with the next set, from set 0,
    // and the camera takes none between presses.
    action(window.get(), "action_capture")->trigger();
    QVERIFY(action(window.get(), "actionAction_SingleForceTrigger")->isEnabled());
    QCOMPARE(cameraState().currentSet, 0);
    for (int press = 0; press < 4; ++press) {
        const uint64_t before = cameraState().framesTaken;
        action(window.get(), "actionAction_SingleForceTrigger")->trigger();
        QTRY_COMPARE(cameraState().currentSet, (press + 1) % 3);
        QTRY_COMPARE(highlighted(window.get()), press % 3);
        QCOMPARE(cameraState().framesTaken, before + 1);
    }

    action(window.get(), "action_run")->trigger();
    QCOMPARE(action(window.get(), "action_run")->text(), QStringLiteral("Start Sequencer"));
    QTRY_COMPARE(highlighted(window.get()), -1);
    // The sets are still there: the camera stays at the sequence's rate.
    QCOMPARE(cameraState().frameRate, 5.0);
    QVERIFY(!cameraState().sequencerMode);
    QVERIFY(!action(window.get(), "action_capture")->isEnabled());
    QVERIFY(!action(window.get(), "actionAction_SingleForceTrigger")->isEnabled());
    QVERIFY(togglesEnabled(window.get(), true));
}

void TestSequenceWindow::runRateIsKeptWithinItsRange_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("rate");
    // A set of the live exposure, 10 ms, allows at most 100 images a second.
    QTest::addColumn<double>("rateWithSet");
    QTest::addColumn<int>("runningTriggerMode");
    QTest::newRow("within") << "2.5" << 2.5 << 2.5 << VYRA_TRIGGER_SINGLE;
    // Above ten a second the camera runs the sequence itself, up to its
    // readout of 640 x 480 at 86 MHz, or what the longest exposure allows.
    QTest::newRow("above ten a second") << "25" << 25.0 << 25.0 << VYRA_TRIGGER_OFF;
    QTest::newRow("beyond the camera's highest")
        << "500" << 175.75 << 100.0 << VYRA_TRIGGER_OFF;
    QTest::newRow("below the camera's lowest") << "0.1" << 0.5 << 0.5 << VYRA_TRIGGER_SINGLE;
}

void TestSequenceWindow::runRateIsKeptWithinItsRange()
{
    QFETCH(QString, typed);
    QFETCH(double, rate);
    QFETCH(double, rateWithSet);
    QFETCH(int, runningTriggerMode);
    checkFeature(window.get(), QStringLiteral("Exposure"));
    typeInto(rateBox(window.get()), typed);
    QCOMPARE(rateBox(window.get())->value(), rate);
    // While sets are built the camera runs at the sequence's rate.
    QCOMPARE(cameraState().frameRate, 30.0);
    action(window.get(), "action_addsequence")->trigger();
    QCOMPARE(cameraState().frameRate, rateWithSet);
    QCOMPARE(rateBox(window.get())->value(), rateWithSet);
    if (rateWithSet < rate)
        QVERIFY2(window->statusBar()->currentMessage().startsWith(
                     QStringLiteral("Sequencer Rate lowered to 100.00 fps")),
                 qPrintable(window->statusBar()->currentMessage()));
    start();
    QCOMPARE(cameraState().frameRate, rateWithSet);
    QCOMPARE(cameraState().triggerMode, runningTriggerMode);
    action(window.get(), "action_run")->trigger();
    action(window.get(), "action_new")->trigger();
    QTRY_COMPARE(answerer->pendingAnswers(), 0);
    QVERIFY(setsOf(window.get()).isEmpty());
    QCOMPARE(cameraState().frameRate, 30.0);

    // The next start keeps the rate.
    window.reset();
    chooseCamera(*answerer, 1);
    window = std::make_unique<MainWindow>();
    // ... as far as the live exposure allows.
    QCOMPARE(rateBox(window.get())->value(), std::min(rate, rateBox(window.get())->maximum()));
}

void TestSequenceWindow::exposureStopsAtWhatTheRunRateAllows_data()
{
    QTest::addColumn<QString>("rate");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("shown");
    QTest::addColumn<QString>("hint");
    QTest::newRow("150 at 5") << "5" << "150" << 150.0 << QString();
    QTest::newRow("45 at 5") << "5" << "45" << 45.0 << QString();
    QTest::newRow("250 at 5") << "5" << "250" << 200.0
                              << "Set 0: Exposure limited to 200.00 ms, the longest the camera "
                                 "allows at 5.00 fps.";
    QTest::newRow("150 at 10") << "10" << "150" << 100.0
                               << "Set 0: Exposure limited to 100.00 ms, the longest the camera "
                                  "allows at 10.00 fps.";
}

void TestSequenceWindow::exposureStopsAtWhatTheRunRateAllows()
{
    QFETCH(QString, rate);
    QFETCH(QString, typed);
    QFETCH(double, shown);
    QFETCH(QString, hint);
    typeInto(rateBox(window.get()), rate);
    checkFeature(window.get(), QStringLiteral("Exposure"));
    action(window.get(), "action_addsequence")->trigger();
    QDoubleSpinBox *box = exposureBox(setsOf(window.get()).first());
    typeInto(box, typed);
    QCOMPARE(box->value(), shown);
    QCOMPARE(cameraState().values.exposureMs, shown);
    if (hint.isEmpty())
        QVERIFY(window->statusBar()->currentMessage().isEmpty());
    else
        QTRY_COMPARE(window->statusBar()->currentMessage(), hint);
}

void TestSequenceWindow::anExposureBracketRunsAtFiveImagesASecond()
{
    checkFeature(window.get(), QStringLiteral("Exposure"));
    for (int i = 0; i < 3; ++i)
        action(window.get(), "action_addsequence")->trigger();
    const QList<double> bracket = {2.0, 20.0, 150.0};
    for (SequencerSet *set : setsOf(window.get()))
        typeInto(exposureBox(set), QString::number(bracket.at(set->index())));
    QCOMPARE(exposuresShown(window.get()), bracket);

    start();
    QCOMPARE(cameraState().frameRate, 5.0);
    for (int set = 0; set < 3; ++set)
        QCOMPARE(cameraState().sequence.sets.at(set).values.exposureMs, bracket.at(set));
    // Images of every set of the bracket come to the screen.
    QSet<int> shown;
    QTRY_VERIFY_WITH_TIMEOUT((shown << highlighted(window.get()), shown.contains({0, 1, 2})),
                             20000);
}

void TestSequenceWindow::aBracketMadeInOneDialogRunsAndIsUndone()
{
    // Five sets from 1 ms, one stop apart, as a person types them.
    QStringList preview;
    answerer->answer([&preview](QWidget *dialog) {
        QVERIFY(qobject_cast<GenerateSetsDialog *>(dialog));
        QVERIFY(!dialog->findChild<QGroupBox *>(QStringLiteral("gb_existing"))->isVisible());
        // Return would press OK.
        const auto type = [dialog](const char *box, const QString &text) {
            auto *field = dialog->findChild<QAbstractSpinBox *>(QString::fromLatin1(box));
            field->selectAll();
            QTest::keyClicks(field, text);
        };
        type("sb_bracketCount", "5");
        type("dsb_baseExposure", "1");
        type("dsb_stepStops", "1");
        const auto *table = dialog->findChild<QTableWidget *>(QStringLiteral("tw_preview"));
        for (int row = 0; row < table->rowCount(); ++row)
            preview << table->item(row, 0)->text() + ' ' + table->item(row, 1)->text();
        dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    });
    action(window.get(), "action_generatesets")->trigger();
    QCOMPARE(preview, QStringList({"0 → 1 1.00 ms", "1 → 2 2.00 ms", "2 → 3 4.00 ms",
                                   "3 → 4 8.00 ms", "4 → 0 16.00 ms"}));
    const QList<double> bracket = {1, 2, 4, 8, 16};
    QCOMPARE(exposuresShown(window.get()), bracket);
    QCOMPARE(checkedFeatures(window.get()), QStringList{"Exposure"});
    QCOMPARE(setsOf(window.get()).last()->title(), QStringLiteral("Set 4 → 0"));
    QCOMPARE(window->statusBar()->findChild<QLabel *>(QStringLiteral("l_cycle"))->text(),
             QStringLiteral("Cycle 0 → 1 → 2 → 3 → 4: 1.00 s, 1.00 a second at 5.00 fps"));

    // With sets there, the dialog asks whether the new ones replace them.
    answerer->answer([](QWidget *dialog) {
        QPushButton *ok = dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
        QVERIFY(!ok->isEnabled());
        dialog->findChild<QRadioButton *>(QStringLiteral("rb_append"))->click();
        QVERIFY(ok->isEnabled());
        ok->click();
    });
    action(window.get(), "action_generatesets")->trigger();
    QCOMPARE(setsOf(window.get()).size(), 10);
    action(window.get(), "action_undo")->trigger();

    // A copy of the selected set follows it in the ring.
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    exposureBox(setsOf(window.get()).at(1))->setFocus();
    QAction *duplicate = action(window.get(), "action_duplicateset");
    QTRY_VERIFY(duplicate->isEnabled());
    // ... also offered in the set's context menu.
    QVERIFY(setsOf(window.get()).at(1)->actions().contains(duplicate));
    duplicate->trigger();
    QCOMPARE(exposuresShown(window.get()), QList<double>({1, 2, 2, 4, 8, 16}));
    QCOMPARE(setsOf(window.get()).at(2)->title(), QStringLiteral("Set 2 → 3"));
    action(window.get(), "action_undo")->trigger();
    QCOMPARE(exposuresShown(window.get()), bracket);

    start();
    for (int set = 0; set < 5; ++set)
        QCOMPARE(cameraState().sequence.sets.at(set).values.exposureMs, bracket.at(set));
    const QList<ShownImage> shown = sequenceImagesShown(window.get(), 3);
    QCOMPARE(shown.size(), 3);
    QVERIFY(followsTheRing(shown, 5));
    action(window.get(), "action_run")->setChecked(false);

    // The whole bracket is one step of Undo.
    action(window.get(), "action_undo")->trigger();
    QVERIFY(setsOf(window.get()).isEmpty());
    QVERIFY(checkedFeatures(window.get()).isEmpty());
    QVERIFY(!action(window.get(), "action_undo")->isEnabled());
}

void TestSequenceWindow::saveNewLoadGivesTheSameSequence()
{
    buildThreeSets();
    checkFeature(window.get(), QStringLiteral("AOI Offset X"));
    const QString file = folder->filePath(QStringLiteral("three sets ä.xml"));
    answerer->typeInNextFileDialog(file);
    action(window.get(), "action_save")->trigger();
    const VyraSim::SequencerConfiguration saved = cameraState().sequence;

    answerer->pressInNextMessageBox(QMessageBox::Yes);
    action(window.get(), "action_new")->trigger();
    Control::clearCalls();
    answerer->typeInNextFileDialog(file);
    action(window.get(), "action_load")->trigger();

    QCOMPARE(answerer->messages.size(), 1);
    QCOMPARE(exposuresShown(window.get()), QList<double>({5.0, 15.0, 30.0}));
    QCOMPARE(checkedFeatures(window.get()), QStringList({"AOI Offset X", "Exposure"}));
    QCOMPARE(cameraState().sequence, saved);
    // The last set leads back to the first.
    QCOMPARE(qobject_cast<QComboBox *>(setsOf(window.get()).last()->pathProperty()->rows().at(3).second)
                 ->currentIndex(),
             0);
}

void TestSequenceWindow::cameraConfigurationInTheBackground()
{
    const QString file = folder->filePath(QStringLiteral("camera.ini"));
    answerer->typeInNextFileDialog(file);
    action(window.get(), "action_saveCameraConfiguration")->trigger();
    QTRY_VERIFY(window->findChildren<QProgressDialog *>().isEmpty());
    QVERIFY(QFileInfo::exists(file));
    // While a task works on the camera, nothing else may touch it; the
    // window itself stays usable.
    answerer->typeInNextFileDialog(folder->filePath(QStringLiteral("second")));
    action(window.get(), "action_saveCameraConfiguration")->trigger();
    for (const char *command : {"action_loadCameraConfiguration", "action_saveCameraConfiguration",
                                "action_run", "action_opencamera", "action_settings",
                                "action_addsequence"})
        QVERIFY2(!action(window.get(), command)->isEnabled(), command);
    QVERIFY(action(window.get(), "action_exitapp")->isEnabled());
    QTRY_VERIFY(window->findChildren<QProgressDialog *>().isEmpty());
    QCOMPARE(enabledActions(window.get()), cameraOpenActions);
    QVERIFY(QFileInfo::exists(folder->filePath(QStringLiteral("second.ini"))));
    answerer->typeInNextFileDialog(file);
    action(window.get(), "action_loadCameraConfiguration")->trigger();
    QTRY_VERIFY(window->findChildren<QProgressDialog *>().isEmpty());
    QVERIFY(answerer->messages.isEmpty());

    // The busy dialog is gone before the error box comes up.
    QVERIFY(Control::injectFailure("parameterSetControl", VYRA_FILE_READ_OPEN_ERROR));
    answerer->typeInNextFileDialog(file);
    bool busyBehindTheBox = true;
    answerer->answer([&](QWidget *box) {
        const auto busy = window->findChildren<QProgressDialog *>();
        busyBehindTheBox = std::any_of(busy.begin(), busy.end(),
                                       [](QProgressDialog *dialog) { return dialog->isVisible(); });
        qobject_cast<QMessageBox *>(box)->button(QMessageBox::Ok)->click();
    });
    action(window.get(), "action_loadCameraConfiguration")->trigger();
    QTRY_COMPARE(answerer->messages.size(), 1);
    QCOMPARE(answerer->messages.first().text,
             QStringLiteral("Camera Configuration could not be load!"));
    QTRY_COMPARE(answerer->pendingAnswers(), 0);
    QVERIFY(!busyBehindTheBox);
    QTRY_VERIFY(window->findChildren<QProgressDialog *>().isEmpty());
}

void TestSequenceWindow::offsetEditorsFollowTheImageSize()
{
    checkFeature(window.get(), QStringLiteral("AOI Offset X"));
    action(window.get(), "action_addsequence")->trigger();
    action(window.get(), "action_addsequence")->trigger();
    const auto largestOffsets = [this] {
        QList<int> maxima;
        for (SequencerSet *set : setsOf(window.get()))
            maxima << qobject_cast<QSpinBox *>(set->properties().first()->rows().first().second)
                          ->maximum();
        return maxima;
    };
    QCOMPARE(largestOffsets(), QList<int>({0, 0}));

    answerer.reset(); // the dialog is modal: nobody may close it
    action(window.get(), "action_imagesize")->trigger();
    auto *dialog = window->findChild<ImageSizeDialog *>();
    QVERIFY(dialog);
    SettingsDialogTest::typeInto(
        SettingsDialogTest::child<QSpinBox>(dialog, QStringLiteral("aoi_width")), "320");
    QCOMPARE(cameraState().aoi.width, 320);
    QCOMPARE(largestOffsets(), QList<int>({320, 320}));
    SettingsDialogTest::choose(
        SettingsDialogTest::child<QComboBox>(dialog, QStringLiteral("binning_horizontal")),
        QStringLiteral("2x"));
    const int binnedRoom = 320 - cameraState().aoi.width;
    QCOMPARE(largestOffsets(), QList<int>({binnedRoom, binnedRoom}));
    dialog->close();
}

void TestSequenceWindow::cameraPulledOutDuringARun()
{
    buildThreeSets();
    start();
    answerer->pressInNextMessageBox(QMessageBox::Ok);
    QVERIFY(Control::unplug(1));
    QTRY_COMPARE(answerer->messages.size(), 1);
    QCOMPARE(answerer->messages.last().text, removedText);
    QTRY_COMPARE(answerer->pendingAnswers(), 0);
    // The run is over with the camera gone, and the window says so.
    QCOMPARE(enabledActions(window.get()), removedCameraActions);
    QVERIFY(!action(window.get(), "action_run")->isChecked());
    QCOMPARE(action(window.get(), "action_run")->text(), QStringLiteral("Start Sequencer"));
    QCOMPARE(highlighted(window.get()), -1);

    answerer->pressInNextMessageBox(QMessageBox::Ok);
    QVERIFY(Control::replug(1));
    QTRY_COMPARE(answerer->messages.size(), 2);
    QCOMPARE(answerer->messages.last().text, reconnectedText);
    QTRY_COMPARE(answerer->pendingAnswers(), 0);
    // Back, the camera is stopped like the window: no sequence of its own,
    // and with the sets still there, at the sequence's rate.
    QVERIFY(!cameraState().sequencerMode);
    QCOMPARE(cameraState().triggerMode, VYRA_TRIGGER_SOFTWARE);
    QCOMPARE(cameraState().frameRate, 5.0);
    start();
    const QList<ShownImage> again = sequenceImagesShown(window.get(), 4);
    QCOMPARE(again.size(), 4);
    QVERIFY(followsTheRing(again, 3));

    // Pulled out again, the camera is given up: the next one starts stopped.
    answerer->pressInNextMessageBox(QMessageBox::Ok);
    QVERIFY(Control::unplug(1));
    QTRY_COMPARE(answerer->messages.size(), 3);
    QTRY_COMPARE(answerer->pendingAnswers(), 0);
    answerer->pressInNextMessageBox(QMessageBox::Yes);
    chooseCamera(*answerer, 2);
    action(window.get(), "action_opencamera")->trigger();
    QCOMPARE(statusText(window.get()), QStringLiteral("VK2230C-USB opened"));
    QVERIFY(!action(window.get(), "action_run")->isChecked());
    QCOMPARE(action(window.get(), "action_run")->text(), QStringLiteral("Start Sequencer"));
    QVERIFY(!action(window.get(), "action_capture")->isChecked());
    QCOMPARE(enabledActions(window.get()), cameraOpenActions);
}

void TestSequenceWindow::flappingConnectionShowsOneTruthfulBox_data()
{
    QTest::addColumn<bool>("running");
    QTest::newRow("live view") << false;
    QTest::newRow("running sequence") << true;
}

void TestSequenceWindow::flappingConnectionShowsOneTruthfulBox()
{
    QFETCH(bool, running);
    buildThreeSets();
    if (running)
        start();
    // What one removal and reconnection leave behind.
    answerer->pressInNextMessageBox(QMessageBox::Ok);
    QVERIFY(Control::unplug(1));
    QTRY_COMPARE(answerer->pendingAnswers(), 0);
    answerer->pressInNextMessageBox(QMessageBox::Ok);
    QVERIFY(Control::replug(1));
    QTRY_COMPARE(answerer->messages.size(), 2);
    QTRY_COMPARE(answerer->pendingAnswers(), 0);
    const QStringList afterOneCycle = enabledActions(window.get());
    if (running)
        start();

    // A loose cable: the box of the first removal stays open through 40
    // quick cycles.
    int boxesSeen = 0;
    answerer->answer([&](QWidget *widget) {
        auto *box = qobject_cast<QMessageBox *>(widget);
        for (int cycle = 0; cycle < 40; ++cycle) {
            if (cycle > 0) {
                QVERIFY(Control::unplug(1));
                QTRY_COMPARE(box->text(), removedText);
                QCOMPARE(box->icon(), QMessageBox::Critical);
            }
            QVERIFY(Control::replug(1));
            QTRY_COMPARE(box->text(), reconnectedText);
            QCOMPARE(box->icon(), QMessageBox::Information);
            boxesSeen = std::max(boxesSeen, openMessageBoxes(window.get()));
        }
        box->button(QMessageBox::Ok)->click();
    });
    QVERIFY(Control::unplug(1));
    QTRY_COMPARE_WITH_TIMEOUT(answerer->pendingAnswers(), 0, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(openMessageBoxes(window.get()), 0, 30000);
    QCOMPARE(boxesSeen, 1);
    QCOMPARE(answerer->unexpected(), 0);
    QCOMPARE(enabledActions(window.get()), afterOneCycle);
    QVERIFY(!action(window.get(), "action_run")->isChecked());
    QVERIFY(cameraState().live);
}

QTEST_MAIN(TestSequenceWindow)
#include "tst_sequencewindow.moc"
