// Every main-window command and dialog action with a failing driver call:
// for k = 1, 2, ... the k-th driver call the command makes fails, until the
// command makes fewer than k calls. Each time nothing may escape or crash,
// the window and the camera must be as they were or as the command intends,
// the camera never stays in configuration mode or without its live image,
// and the command must work once the fault is gone.

#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QProgressDialog>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QtTest>

#include <memory>
#include <future>
#include <thread>

#include "acquisitiondialog.h"
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

class Sweep;

/// One command of the sweep: what it needs beforehand and how it is given.
struct Command
{
    const char *name;
    void (*prepare)(Sweep &);
    void (*run)(Sweep &);
    /// The fault hits the camera-configuration task on the thread pool.
    bool onPool = false;
    /// Agreeing to discard the sets comes before the camera is opened: the
    /// window may end up without sets on either camera, or without a camera.
    bool discardsFirst = false;
};

class Sweep
{
public:
    /// A window on a small camera with two sets editing exposure and gain.
    void build()
    {
        window.reset();
        Control::resetToDefaults();
        CameraSpec small = cameraSpec(1, "VK1240C");
        small.sensorWidth = 256;
        small.sensorHeight = 192;
        CameraSpec other = cameraSpec(2, "VK2230C");
        other.sensorWidth = 256;
        other.sensorHeight = 192;
        QVERIFY(Control::setCameras({small, other}));
        folder = std::make_unique<QTemporaryDir>();
        answerer = std::make_unique<ModalAnswerer>();
        chooseCamera(*answerer, 1);
        window = std::make_unique<MainWindow>();
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        setFeature(window.get(), QStringLiteral("Exposure"), true);
        setFeature(window.get(), QStringLiteral("Gain"), true);
        for (int i = 0; i < 2; ++i)
            action(window.get(), "action_addsequence")->trigger();
        const QList<double> exposures = {5.0, 15.0};
        for (SequencerSet *set : setsOf(window.get()))
            set->findChild<QDoubleSpinBox *>()->setValue(exposures.at(set->index()));
    }

    /// Lets message boxes, busy dialogs and background tasks finish.
    void settle()
    {
        QTRY_VERIFY(!QApplication::activeModalWidget() ||
                    qobject_cast<AcquisitionDialog *>(QApplication::activeModalWidget()) ||
                    qobject_cast<ImageSizeDialog *>(QApplication::activeModalWidget()));
        QTRY_VERIFY(window->findChildren<QProgressDialog *>().isEmpty());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QString state() const { return summary(window.get(), folder->path()); }

    void trigger(const char *name) { action(window.get(), name)->trigger(); }

    void answerFile(const QString &path)
    {
        answerer->typeInNextFileDialog(path);
    }

    template<typename Dialog> Dialog *dialog() const { return window->findChild<Dialog *>(); }

    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<ModalAnswerer> answerer;
    std::unique_ptr<MainWindow> window;
    static QString sequenceFile;
    static QString cameraFile;
};

QString Sweep::sequenceFile;
QString Sweep::cameraFile;

void nothing(Sweep &) {}

void start(Sweep &sweep)
{
    action(sweep.window.get(), "action_run")->setChecked(true);
}

const Command commands[] = {
    {"add set", nothing, [](Sweep &s) { s.trigger("action_addsequence"); }},
    {"delete set",
     [](Sweep &s) {
         setsOf(s.window.get()).at(1)->findChild<QDoubleSpinBox *>()->setFocus();
         QTRY_VERIFY(action(s.window.get(), "action_deleteset")->isEnabled());
     },
     [](Sweep &s) { s.trigger("action_deleteset"); }},
    {"duplicate set",
     [](Sweep &s) {
         setsOf(s.window.get()).at(1)->findChild<QDoubleSpinBox *>()->setFocus();
         QTRY_VERIFY(action(s.window.get(), "action_duplicateset")->isEnabled());
     },
     [](Sweep &s) { s.trigger("action_duplicateset"); }},
    {"generate sets", nothing,
     [](Sweep &s) {
         // A box in place of the dialog says the camera could not be read.
         s.answerer->answer([](QWidget *widget) {
             if (auto *append = widget->findChild<QRadioButton *>(QStringLiteral("rb_append"))) {
                 append->click();
                 widget->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
             } else {
                 qobject_cast<QDialog *>(widget)->reject();
             }
         });
         s.trigger("action_generatesets");
     }},
    {"new", nothing,
     [](Sweep &s) {
         s.answerer->pressInNextMessageBox(QMessageBox::Yes);
         s.trigger("action_new");
     }},
    {"feature on", nothing, [](Sweep &s) { setFeature(s.window.get(), "Flash", true); }},
    {"feature off", nothing, [](Sweep &s) { setFeature(s.window.get(), "Gain", false); }},
    {"save sequence", nothing,
     [](Sweep &s) {
         s.answerFile(s.folder->filePath("sequence.xml"));
         s.trigger("action_save");
     }},
    {"load sequence", nothing,
     [](Sweep &s) {
         s.answerFile(Sweep::sequenceFile);
         s.answerer->pressInNextMessageBox(QMessageBox::Yes);
         s.trigger("action_load");
     }},
    {"start", nothing, start},
    {"stop", start, [](Sweep &s) { action(s.window.get(), "action_run")->setChecked(false); }},
    {"live off", start, [](Sweep &s) { s.trigger("action_capture"); }},
    {"trigger",
     [](Sweep &s) {
         start(s);
         s.trigger("action_capture");
     },
     [](Sweep &s) { s.trigger("actionAction_SingleForceTrigger"); }},
    {"save camera configuration", nothing,
     [](Sweep &s) {
         s.answerFile(s.folder->filePath("camera.ini"));
         s.trigger("action_saveCameraConfiguration");
     },
     true},
    {"load camera configuration", nothing,
     [](Sweep &s) {
         s.answerFile(Sweep::cameraFile);
         s.trigger("action_loadCameraConfiguration");
     },
     true},
    {"change camera", nothing,
     [](Sweep &s) {
         s.answerer->pressInNextMessageBox(QMessageBox::Yes);
         chooseCamera(*s.answerer, 2);
         s.trigger("action_opencamera");
     },
     false, true},
    {"acquisition frame rate",
     [](Sweep &s) {
         s.answerer.reset(); // the dialog is modal: nobody may close it
         s.trigger("action_settings");
     },
     [](Sweep &s) {
         SettingsDialogTest::typeInto(SettingsDialogTest::child<QDoubleSpinBox>(
                                          s.dialog<AcquisitionDialog>(), "framerate_value"),
                                      "12.50");
     }},
    {"image width",
     [](Sweep &s) {
         s.answerer.reset();
         s.trigger("action_imagesize");
     },
     [](Sweep &s) {
         SettingsDialogTest::typeInto(
             SettingsDialogTest::child<QSpinBox>(s.dialog<ImageSizeDialog>(), "aoi_width"), "128");
     }},
};

} // namespace

class TestFaultSweep : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void everyFailingCall_data();
    void everyFailingCall();

private:
    void checkCamera(const Sweep &sweep);

    QTemporaryDir files;
    std::thread::id poolThread;
    int casesRun = 0;
};

void TestFaultSweep::initTestCase()
{
    hideSizeHintWarnings();
    QSettings(QStringLiteral("Quellmark"), QStringLiteral("Vyra Sequencer")).clear();
    // One pool thread that never expires: the background tasks' faults are
    // injected for it.
    QThreadPool::globalInstance()->setMaxThreadCount(1);
    QThreadPool::globalInstance()->setExpiryTimeout(-1);
    std::promise<std::thread::id> pooled;
    QThreadPool::globalInstance()->start([&pooled] { pooled.set_value(std::this_thread::get_id()); });
    poolThread = pooled.get_future().get();

    // The files the load commands read: two sets editing gain, and the
    // camera's parameters.
    Sweep sweep;
    sweep.build();
    sweep.answerer->pressInNextMessageBox(QMessageBox::Yes);
    sweep.trigger("action_new");
    setFeature(sweep.window.get(), QStringLiteral("Gain"), true);
    sweep.trigger("action_addsequence");
    sweep.trigger("action_addsequence");
    Sweep::sequenceFile = files.filePath(QStringLiteral("two sets.xml"));
    Sweep::cameraFile = files.filePath(QStringLiteral("camera.ini"));
    sweep.answerFile(Sweep::sequenceFile);
    sweep.trigger("action_save");
    sweep.answerFile(Sweep::cameraFile);
    sweep.trigger("action_saveCameraConfiguration");
    sweep.settle();
    QVERIFY(QFileInfo::exists(Sweep::sequenceFile) && QFileInfo::exists(Sweep::cameraFile));
}

void TestFaultSweep::cleanupTestCase()
{
    qInfo("%d failing calls swept", casesRun);
}

void TestFaultSweep::checkCamera(const Sweep &sweep)
{
    const auto handles = Control::openHandles();
    if (handles.empty())
        return;
    const VyraSim::OpenCameraState camera = *Control::openCameraState(handles.front());
    QVERIFY(!camera.configurationMode);
    QVERIFY(camera.live);
    const bool running = action(sweep.window.get(), "action_run")->isChecked();
    if (!running) {
        QVERIFY(!camera.sequencerMode);
        QCOMPARE(camera.triggerMode, VYRA_TRIGGER_SOFTWARE);
    }
}

void TestFaultSweep::everyFailingCall_data()
{
    QTest::addColumn<int>("command");
    for (size_t i = 0; i < std::size(commands); ++i)
        QTest::newRow(commands[i].name) << int(i);
}

void TestFaultSweep::everyFailingCall()
{
    QFETCH(int, command);
    const Command &c = commands[command];
    Sweep sweep;
    QString before;
    const auto runOnce = [&](int failingCall) {
        sweep.build();
        c.prepare(sweep);
        sweep.settle();
        before = sweep.state();
        if (failingCall > 0) {
            Control::injectFailureAtCall(failingCall, VYRA_NO_SUCCESS,
                                         c.onPool ? poolThread : std::this_thread::get_id());
        }
        try {
            c.run(sweep);
            sweep.settle();
        } catch (...) {
            QFAIL("an exception escaped from the command");
        }
    };

    runOnce(0);
    const QString intended = sweep.state();
    for (int failingCall = 1;; ++failingCall) {
        runOnce(failingCall);
        if (QTest::currentTestFailed())
            return;
        const bool faulted = Control::pendingFailures() == 0;
        Control::clearFailures();
        const QString after = sweep.state();
        if (!faulted) {
            QCOMPARE(after, intended);
            break;
        }
        ++casesRun;
        QString failed;
        for (const VyraSim::CallRecord &call : Control::calls()) {
            if (call.status == VYRA_NO_SUCCESS)
                failed = QStringLiteral("%1 %2").arg(QString::fromStdString(call.operation)).arg(call.command);
        }
        const QString where =
            QStringLiteral("call %1 (%2): %3").arg(failingCall).arg(failed).arg(after);
        const bool discarded = c.discardsFirst && after.startsWith("features  run 0 live 0");
        QVERIFY2(after == before || after == intended || discarded, qPrintable(where));
        checkCamera(sweep);
        if (QTest::currentTestFailed()) {
            qWarning("%s", qPrintable(where));
            return;
        }
        // With the fault gone the command does what it should.
        if (after == before) {
            if (!sweep.answerer && !c.onPool)
                c.prepare(sweep);
            c.run(sweep);
            sweep.settle();
            QVERIFY2(sweep.state() == intended, qPrintable(where + " / " + sweep.state()));
        }
    }
}

QTEST_MAIN(TestFaultSweep)
#include "tst_faultsweep.moc"
