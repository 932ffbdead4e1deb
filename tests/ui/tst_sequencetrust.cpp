// What a person can rely on in the window: every saved sequence opens again,
// a changed sequence is never closed without asking, live video keeps its
// own values, one run rate everywhere, nothing offered that the camera
// cannot do.

#include <QDoubleSpinBox>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "acquisitiondialog.h"
#include "mainwindow.h"
#include "settingsdialogsupport.h"
#include "windowdriver.h"

using VyraSim::Control;
using namespace WindowTest;

namespace {

const QList<double> bracket = {5.0, 15.0, 150.0};

QDoubleSpinBox *rateBox(QWidget *window)
{
    return window->findChild<QDoubleSpinBox *>(QStringLiteral("sb_sequencerframerate"));
}

VyraSim::OpenCameraState cameraState()
{
    return Control::openCameraState(Control::openHandles().front()).value();
}

QList<double> exposuresShown(QWidget *window)
{
    QList<double> shown;
    for (SequencerSet *set : setsOf(window))
        shown << exposureBox(set)->value();
    return shown;
}

} // namespace

class TestSequenceTrust : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void aSavedSequenceOpensAgain_data();
    void aSavedSequenceOpensAgain();
    void closingAChangedSequenceAsks_data();
    void closingAChangedSequenceAsks();
    void liveVideoGetsItsValuesBack_data();
    void liveVideoGetsItsValuesBack();
    void theAcquisitionDialogsRateIsTheRunRate();
    void aFeatureTheCameraLacksIsNotOffered();

private:
    void openWindow();
    /// Exposure varied, three sets exposed 5, 15 and 150 ms.
    void buildBracket();
    void save(const QString &file);
    QAction *act(const char *name) const { return action(window.get(), name); }

    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<ModalAnswerer> answerer;
    std::unique_ptr<MainWindow> window;
};

void TestSequenceTrust::init()
{
    hideSizeHintWarnings();
    Control::resetToDefaults();
    VyraSim::CameraSpec withoutFlash = cameraSpec(2, "VK1240C");
    withoutFlash.flash = false;
    QVERIFY(Control::setCameras({cameraSpec(1, "VK1240C"), withoutFlash}));
    folder = std::make_unique<QTemporaryDir>();
    QSettings(QStringLiteral("Quellmark"), QStringLiteral("Vyra Sequencer")).clear();
    answerer = std::make_unique<ModalAnswerer>();
    openWindow();
}

void TestSequenceTrust::cleanup()
{
    window.reset();
    answerer.reset();
}

void TestSequenceTrust::openWindow()
{
    chooseCamera(*answerer, 1);
    window = std::make_unique<MainWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void TestSequenceTrust::buildBracket()
{
    setFeature(window.get(), QStringLiteral("Exposure"), true);
    for (int i = 0; i < bracket.size(); ++i)
        act("action_addsequence")->trigger();
    for (SequencerSet *set : setsOf(window.get()))
        exposureBox(set)->setValue(bracket.at(set->index()));
    QCOMPARE(exposuresShown(window.get()), bracket);
}

void TestSequenceTrust::save(const QString &file)
{
    answerer->typeInNextFileDialog(file);
    act("action_save")->trigger();
    QVERIFY(QFileInfo::exists(file));
}

void TestSequenceTrust::aSavedSequenceOpensAgain_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<double>("rateBefore");
    QTest::newRow("after New") << "new" << 5.0;
    QTest::newRow("other sets on screen") << "other sets" << 5.0;
    QTest::newRow("after a restart") << "restart" << 5.0;
    // 150 ms does not fit into a tenth of a second: the run rate gives way.
    QTest::newRow("a faster run rate") << "new" << 10.0;
}

void TestSequenceTrust::aSavedSequenceOpensAgain()
{
    QFETCH(QString, state);
    QFETCH(double, rateBefore);
    const QString file = folder->filePath(QStringLiteral("bracket.xml"));
    buildBracket();
    save(file);

    if (state == "restart") {
        window.reset();
        openWindow();
    } else {
        answerer->pressInNextMessageBox(QMessageBox::Yes);
        act("action_new")->trigger();
        if (state == "other sets") {
            setFeature(window.get(), QStringLiteral("Gain"), true);
            act("action_addsequence")->trigger();
        }
    }
    rateBox(window.get())->setValue(rateBefore);
    const int messages = answerer->messages.size();
    answerer->typeInNextFileDialog(file);
    if (!setsOf(window.get()).isEmpty())
        answerer->pressInNextMessageBox(QMessageBox::Yes);
    act("action_load")->trigger();

    QCOMPARE(answerer->messages.size(), messages + (state == "other sets" ? 1 : 0));
    QCOMPARE(exposuresShown(window.get()), bracket);
    // The camera runs at the run rate, and takes the longest exposure there.
    const double rate = rateBox(window.get())->value();
    QVERIFY(rate <= rateBefore);
    QCOMPARE(qRound(cameraState().frameRate * 100), qRound(rate * 100));
    QCOMPARE(cameraState().sequence.sets.at(2).values.exposureMs, 150.0);
    if (rate < rateBefore)
        QVERIFY(window->statusBar()->currentMessage().startsWith(QStringLiteral("Run rate lowered")));
    act("action_run")->setChecked(true);
    QVERIFY(act("action_run")->isChecked());
}

void TestSequenceTrust::closingAChangedSequenceAsks_data()
{
    QTest::addColumn<bool>("changed");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<bool>("saved");
    QTest::newRow("saved before") << false << 0 << true << false;
    QTest::newRow("cancel") << true << int(QMessageBox::Cancel) << false << false;
    QTest::newRow("discard") << true << int(QMessageBox::Discard) << true << false;
    QTest::newRow("save") << true << int(QMessageBox::Save) << true << true;
}

void TestSequenceTrust::closingAChangedSequenceAsks()
{
    QFETCH(bool, changed);
    QFETCH(int, answer);
    QFETCH(bool, closes);
    QFETCH(bool, saved);
    buildBracket();
    save(folder->filePath(QStringLiteral("first.xml")));
    if (changed)
        exposureBox(setsOf(window.get()).first())->setValue(7.0);
    const int messages = answerer->messages.size();
    const QString second = folder->filePath(QStringLiteral("second.xml"));
    if (answer) {
        answerer->pressInNextMessageBox(QMessageBox::StandardButton(answer));
        if (saved)
            answerer->typeInNextFileDialog(second);
    }
    QCOMPARE(window->close(), closes);
    QCOMPARE(answerer->messages.size(), messages + (answer ? 1 : 0));
    QCOMPARE(QFileInfo::exists(second), saved);
}

void TestSequenceTrust::liveVideoGetsItsValuesBack_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("new") << "action_new";
    QTest::newRow("delete the last set") << "action_deleteset";
    QTest::newRow("stop") << "action_run";
}

void TestSequenceTrust::liveVideoGetsItsValuesBack()
{
    QFETCH(QString, command);
    const int liveGain = cameraState().values.masterGain;
    setFeature(window.get(), QStringLiteral("Gain"), true);
    act("action_addsequence")->trigger();
    auto *gain = qobject_cast<QSpinBox *>(
        setsOf(window.get()).first()->properties().first()->rows().at(1).second);
    gain->setFocus();
    gain->setValue(liveGain + 40);
    // The set the user works on shows in the live camera.
    QTRY_COMPARE(cameraState().values.masterGain, liveGain + 40);

    if (command == "action_run")
        act("action_run")->setChecked(true);
    else if (command == "action_new")
        answerer->pressInNextMessageBox(QMessageBox::Yes);
    act(qPrintable(command))->trigger();
    QTRY_COMPARE(cameraState().values.masterGain, liveGain);
}

void TestSequenceTrust::theAcquisitionDialogsRateIsTheRunRate()
{
    buildBracket();
    exposureBox(setsOf(window.get()).last())->setValue(50.0);
    act("action_run")->setChecked(true);
    act("action_settings")->trigger();
    auto *dialog = window->findChild<AcquisitionDialog *>();
    QVERIFY(dialog);
    auto *box = dialog->findChild<QDoubleSpinBox *>(QStringLiteral("framerate_value"));
    box->setValue(8.0);
    dialog->close();
    QCOMPARE(rateBox(window.get())->value(), 8.0);
    QCOMPARE(qRound(cameraState().frameRate * 100), 800);
    // Stopped and started again, the run keeps that rate and the sets
    // their values.
    act("action_run")->setChecked(false);
    act("action_run")->setChecked(true);
    QCOMPARE(qRound(cameraState().frameRate * 100), 800);
    QCOMPARE(exposuresShown(window.get()), QList<double>({5.0, 15.0, 50.0}));
}

void TestSequenceTrust::aFeatureTheCameraLacksIsNotOffered()
{
    chooseCamera(*answerer, 2);
    act("action_opencamera")->trigger();
    QToggleButton *flash = nullptr;
    for (QToggleButton *toggle : toggles(window.get())) {
        if (toggle->text() == QLatin1String("Flash"))
            flash = toggle;
    }
    QVERIFY(flash);
    QVERIFY(!flash->isEnabled());
    QCOMPARE(flash->toolTip(), QStringLiteral("The camera has no flash output."));
    // The others are, and a set takes the camera's values without a flash.
    setFeature(window.get(), QStringLiteral("Gain"), true);
    act("action_addsequence")->trigger();
    QCOMPARE(setsOf(window.get()).size(), 1);
    QVERIFY(answerer->messages.isEmpty());
}

QTEST_MAIN(TestSequenceTrust)
#include "tst_sequencetrust.moc"
