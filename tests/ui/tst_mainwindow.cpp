// The main window on the simulated driver: how it is built, its layout
// persistence, the property list, and opening and changing the camera.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

#include <memory>

#include "aboutbox.h"
#include "mainwindow.h"
#include "modalanswerer.h"
#include "qdisplaywidget.h"
#include "qtogglebutton.h"
#include "recorddialog.h"
#include "simcontrol.h"
#include "stylesheet.h"
#include "vyrabuildoptions.h"
#include "vyracameradialog.h"
#include "windowdriver.h"

using VyraSim::CameraSpec;
using VyraSim::Control;
using namespace WindowTest;

namespace {

QSettings storedSettings()
{
    return QSettings(QStringLiteral("Quellmark"), QStringLiteral("Vyra Sequencer"));
}

QPixmap displayed(QWidget *window)
{
    auto *display = window->findChild<QDisplayWidget *>(QStringLiteral("cameraview"));
    const QLabel *label = display ? display->findChild<QLabel *>() : nullptr;
    return label ? label->pixmap(Qt::ReturnByValue) : QPixmap();
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void buildsTheWindowWithoutStoredSettings();
    void toolBarAndMenus();
    void propertyListAndFilter();
    void leavingSavesFourKeysAndARestartRestoresThem_data();
    void leavingSavesFourKeysAndARestartRestoresThem();

    void cameraStaysInTheStatusBar_data();
    void cameraStaysInTheStatusBar();
    void opensTheChosenCamera();
    void refusesCameras_data();
    void refusesCameras();
    void opensWhenTheMemoryModeCannotBeAsked();
    void cancelledStartLeavesNoCamera();
    void changeCameraToAnotherCamera();
    void changeCameraCancelKeepsTheOldCamera();
    void changeCameraToTheSameCameraReopensIt();
    void failedChangeCameraLeavesNothingBehind_data();
    void failedChangeCameraLeavesNothingBehind();
    void cameraRemovedAndReconnected();

    void helpMenu();

private:
    std::unique_ptr<MainWindow> startWindow(std::function<void(ModalAnswerer &)> answerDialog);

    std::unique_ptr<ModalAnswerer> answerer;
};

void TestMainWindow::init()
{
    Control::resetToDefaults();
    CameraSpec noMemoryMode = cameraSpec(3, "VK3000C");
    noMemoryMode.memoryMode = false;
    CameraSpec noSequencer = cameraSpec(4, "VK4000C");
    noSequencer.sequencerSupported = false;
    QVERIFY(Control::setCameras(
        {cameraSpec(1, "VK1240C"), cameraSpec(2, "VK2230C"), noMemoryMode, noSequencer}));
    QSettings settings = storedSettings();
    settings.clear();
    settings.sync();
    answerer = std::make_unique<ModalAnswerer>();
}

void TestMainWindow::cleanup()
{
    answerer.reset();
}

std::unique_ptr<MainWindow>
TestMainWindow::startWindow(std::function<void(ModalAnswerer &)> answerDialog)
{
    answerDialog(*answerer);
    auto window = std::make_unique<MainWindow>();
    // The Events dock is deleted by the first pass of the event loop.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return window;
}

void TestMainWindow::buildsTheWindowWithoutStoredSettings()
{
    auto window = startWindow(cancelCameraDialog);
    QCOMPARE(answerer->pendingAnswers(), 0);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));

    QCOMPARE(window->windowTitle(), QStringLiteral("Vyra Sequencer"));
    // A first start takes most of the screen, and no more than it.
    const QRect screen = window->screen()->availableGeometry();
    QVERIFY(screen.contains(window->frameGeometry()));
    QVERIFY(window->width() >= 0.8 * screen.width() && window->height() >= 0.8 * screen.height());
    // ... and is wide enough for every tool bar command where the screen is.
    const auto *toolBar = window->findChild<QToolBar *>(QStringLiteral("tb_mainwindow"));
    QVERIFY(window->width() >= qMin(int(0.95 * screen.width()), toolBar->sizeHint().width()));
    // The height is left to the layout; the width must not go below 375.
    QCOMPARE(window->minimumWidth(), 375);
    QCOMPARE(window->styleSheet(), loadStyleSheet(QStringLiteral("base.qss")));
    QVERIFY(!window->windowIcon().isNull());

    auto *properties = window->findChild<QDockWidget *>(QStringLiteral("dw_property"));
    auto *image = window->findChild<QDockWidget *>(QStringLiteral("dw_cameraview"));
    QVERIFY(properties && image);
    QCOMPARE(window->dockWidgetArea(properties), Qt::LeftDockWidgetArea);
    QCOMPARE(window->dockWidgetArea(image), Qt::RightDockWidgetArea);
    QVERIFY(properties->isVisible() && image->isVisible());
    // The image, what a camera user looks at first, takes a fair share.
    QVERIFY2(image->width() >= 0.33 * window->width(), qPrintable(QString::number(image->width())));
    QCOMPARE(properties->windowTitle(), QStringLiteral("Properties"));
    QCOMPARE(image->windowTitle(), QStringLiteral("Camera Image"));
    QVERIFY(!(properties->features() & QDockWidget::DockWidgetClosable));
    QVERIFY(!window->findChild<QDockWidget *>(QStringLiteral("dw_event")));
    // The histogram below the properties; the high dynamic range view waits
    // for a sequence that brackets the exposure.
    auto *histogram = window->findChild<QDockWidget *>(QStringLiteral("dw_histogram"));
    QVERIFY(histogram && histogram->isVisible());
    QCOMPARE(window->dockWidgetArea(histogram), Qt::LeftDockWidgetArea);
    auto *hdr = window->findChild<QDockWidget *>(QStringLiteral("dw_hdr"));
    QVERIFY(hdr && !hdr->isVisible());
    QCOMPARE(window->findChildren<QDockWidget *>().size(), 4);
    // The fused picture and the calibration of a response where the build
    // has OpenCV; the radiance in every build.
    QCOMPARE(hdr->findChild<QComboBox *>(QStringLiteral("hdrView"))->isVisibleTo(hdr),
             bool(VYRA_EXPOSURE_FUSION));
    QCOMPARE(hdr->findChild<QToolButton *>(QStringLiteral("hdrResponse"))->isVisibleTo(hdr),
             bool(VYRA_EXPOSURE_FUSION));
    const RecordDialog record({});
    QCOMPARE(record.findChild<QCheckBox *>(QStringLiteral("cb_fuse"))->isVisibleTo(&record),
             bool(VYRA_EXPOSURE_FUSION));
    QVERIFY(record.findChild<QCheckBox *>(QStringLiteral("cb_radiance"))->isVisibleTo(&record));
    QVERIFY(window->centralWidget()->findChild<QWidget *>(QStringLiteral("gv_main")));

    QCOMPARE(statusText(window.get()), QStringLiteral("No camera opened"));
    QCOMPARE(enabledActions(window.get()), noCameraActions);
    for (const QString &name : viewActions)
        QVERIFY2(action(window.get(), qPrintable(name))->isEnabled(), qPrintable(name));
    QVERIFY(togglesEnabled(window.get(), true));
}

void TestMainWindow::toolBarAndMenus()
{
    auto window = startWindow(cancelCameraDialog);
    auto *toolBar = window->findChild<QToolBar *>(QStringLiteral("tb_mainwindow"));
    QVERIFY(toolBar);
    QStringList items;
    for (QAction *each : toolBar->actions())
        items << (each->isSeparator() ? QStringLiteral("|") : each->objectName());
    QCOMPARE(items, QStringList({"action_opencamera", "|", "action_new", "action_load",
                                 "action_save", "|", "action_addsequence", "action_generatesets",
                                 "action_deleteset", "|", "action_run",
                                 "action_sequencerframerate", "|", "action_capture",
                                 "actionAction_SingleForceTrigger", "|", "action_saveImage",
                                 "action_record", "action_captureCycle"}));
    QCOMPARE(toolBar->iconSize(), QSize(15, 15));
    QCOMPARE(toolBar->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    QVERIFY(!toolBar->isMovable());
    for (QAction *each : toolBar->actions()) {
        // The sequencer rate is edited in a box of its own, not a button.
        if (!each->isSeparator() && each != action(window.get(), "action_sequencerframerate"))
            QVERIFY2(!each->icon().pixmap(15, 15).isNull(), qPrintable(each->objectName()));
    }

    QStringList menus;
    for (QAction *each : window->menuBar()->actions()) {
        QStringList entries;
        for (QAction *entry : each->menu()->actions())
            entries << entry->objectName();
        menus << each->text() + ": " + entries.join(',');
    }
    QCOMPARE(menus,
             QStringList({"File: action_new,action_load,action_save,,action_saveImage,"
                          "action_saveRadiance,action_record,action_captureCycle,,action_exitapp",
                          "Edit: action_undo,action_redo,,action_generatesets,action_duplicateset",
                          "Camera: action_settings,action_imagesize,"
                          "action_saveCameraConfiguration,action_loadCameraConfiguration",
                          "View: action_zoomFit,action_zoomActual,action_clippingMarks,,"
                          "action_histogram,action_hdr",
                          "Help: action_Cameraapplication,action_Cameraqt"}));

    QCOMPARE(action(window.get(), "action_run")->text(), QStringLiteral("Start Sequencer"));
    QVERIFY(action(window.get(), "action_run")->isCheckable());
    QVERIFY(action(window.get(), "action_capture")->isCheckable());
    QCOMPARE(action(window.get(), "action_capture")->toolTip(),
             QStringLiteral("Continuius sequencer mode"));
    QCOMPARE(action(window.get(), "action_save")->shortcut(), QKeySequence("Ctrl+S"));
    QCOMPARE(action(window.get(), "action_saveImage")->shortcut(), QKeySequence("Ctrl+Shift+S"));
    QCOMPARE(action(window.get(), "action_record")->shortcut(), QKeySequence("Ctrl+R"));
    // The running sequencer's action shows a stop picture.
    const QIcon run = action(window.get(), "action_run")->icon();
    QVERIFY(run.pixmap(15, 15, QIcon::Normal, QIcon::On).toImage() !=
            run.pixmap(15, 15, QIcon::Normal, QIcon::Off).toImage());
}

void TestMainWindow::propertyListAndFilter()
{
    auto window = startWindow(cancelCameraDialog);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    auto *content = window->findChild<QWidget *>(QStringLiteral("l_property"));
    QVERIFY(content);
    QList<QToggleButton *> items = toggles(window.get());
    std::sort(items.begin(), items.end(), [](QWidget *a, QWidget *b) { return a->y() < b->y(); });
    QStringList names;
    for (QToggleButton *item : items)
        names << item->text();
    QCOMPARE(names, QStringList({"Exposure", "Gain", "AOI Offset X", "AOI Offset Y", "Flash"}));

    const auto visibleNames = [&items] {
        QStringList shown;
        for (QToggleButton *item : items) {
            if (!item->isHidden())
                shown << item->text();
        }
        return shown;
    };
    items.at(2)->setChecked(true);
    auto *search = window->findChild<QLineEdit *>(QStringLiteral("le_property_search"));
    QVERIFY(search);
    QCOMPARE(search->placeholderText(), QStringLiteral("Search"));
    QTest::keyClicks(search, QStringLiteral("aoi"));
    QCOMPARE(visibleNames(), QStringList({"AOI Offset X", "AOI Offset Y"}));
    search->setText(QStringLiteral("FLASH"));
    QCOMPARE(visibleNames(), QStringList({"Flash"}));
    // Hidden toggles keep their state.
    QVERIFY(items.at(2)->isChecked());
    search->clear();
    QCOMPARE(visibleNames().size(), 5);
    search->setText(QStringLiteral("zoom"));
    QVERIFY(visibleNames().isEmpty());
}

void TestMainWindow::leavingSavesFourKeysAndARestartRestoresThem_data()
{
    QTest::addColumn<bool>("exit");
    QTest::newRow("closing the window") << false;
    QTest::newRow("File > Exit") << true;
}

void TestMainWindow::leavingSavesFourKeysAndARestartRestoresThem()
{
    QFETCH(bool, exit);
    QByteArray state;
    {
        auto window = startWindow(cancelCameraDialog);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        window->resize(700, 480);
        auto *image = window->findChild<QDockWidget *>(QStringLiteral("dw_cameraview"));
        window->addDockWidget(Qt::LeftDockWidgetArea, image);
        QCoreApplication::processEvents();
        state = window->saveState(0);
        if (exit) {
            // Exit ends the event loop; the window goes without a close event.
            QTimer::singleShot(0, action(window.get(), "action_exitapp"), &QAction::trigger);
            QCOMPARE(QCoreApplication::exec(), 0);
        } else {
            QVERIFY(window->close());
        }
    }
    QSettings settings = storedSettings();
    settings.sync();
    QCOMPARE(sorted(settings.allKeys()), QStringList({"displaywidget/geometry", "main/geometry",
                                                      "main/windowState", "property/geometry"}));
    QCOMPARE(settings.value("main/windowState").toByteArray(), state);

    auto window = startWindow(cancelCameraDialog);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QCOMPARE(window->size(), QSize(700, 480));
    auto *image = window->findChild<QDockWidget *>(QStringLiteral("dw_cameraview"));
    QCOMPARE(window->dockWidgetArea(image), Qt::LeftDockWidgetArea);
    QVERIFY(image->isVisible());
}

void TestMainWindow::cameraStaysInTheStatusBar_data()
{
    QTest::addColumn<int>("deviceId");
    QTest::addColumn<QString>("shown");
    QTest::newRow("opened") << 1 << "VK1240C-USB opened";
    QTest::newRow("none") << 0 << "No camera opened";
}

void TestMainWindow::cameraStaysInTheStatusBar()
{
    QFETCH(int, deviceId);
    QFETCH(QString, shown);
    auto window = startWindow([deviceId](ModalAnswerer &a) {
        if (deviceId)
            chooseCamera(a, deviceId);
        else
            cancelCameraDialog(a);
    });
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QCOMPARE(statusText(window.get()), shown);

    // A menu entry under the pointer shows its tip in the status bar, and
    // clears it when the menu closes.
    QStatusTipEvent tip(QStringLiteral("Opens a file"));
    QApplication::sendEvent(window.get(), &tip);
    QCOMPARE(window->statusBar()->currentMessage(), QStringLiteral("Opens a file"));
    QStatusTipEvent cleared{QString()};
    QApplication::sendEvent(window.get(), &cleared);
    QCOMPARE(statusText(window.get()), shown);
    QVERIFY(
        window->statusBar()->findChild<QLabel *>(QStringLiteral("l_camerastatus"))->isVisible());
}

void TestMainWindow::opensTheChosenCamera()
{
    auto window = startWindow([](ModalAnswerer &a) { chooseCamera(a, 2); });
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QVERIFY(answerer->messages.isEmpty());
    QCOMPARE(statusText(window.get()), QStringLiteral("VK2230C-USB opened"));
    QCOMPARE(enabledActions(window.get()), cameraOpenActions);
    QVERIFY(togglesEnabled(window.get(), true));

    const auto handles = Control::openHandles();
    QCOMPARE(handles.size(), size_t(1));
    const auto state = Control::openCameraState(handles.front());
    QVERIFY(state);
    QCOMPARE(state->deviceId, 2);
    QVERIFY(state->live);
    QCOMPARE(state->triggerMode, VYRA_TRIGGER_SOFTWARE);

    // The live image arrives in the Camera Image dock at the dock's width.
    auto *display = window->findChild<QDisplayWidget *>(QStringLiteral("cameraview"));
    QTRY_VERIFY_WITH_TIMEOUT(!displayed(window.get()).isNull(), 10000);
    QCOMPARE(displayed(window.get()).width(), display->width());
    QVERIFY(qAbs(displayed(window.get()).height() - display->width() * 480.0 / 640.0) <= 1.0);
}

void TestMainWindow::refusesCameras_data()
{
    QTest::addColumn<int>("deviceId");
    QTest::addColumn<QString>("message");
    QTest::newRow("memory mode off")
        << 3 << "Vyra Sequencer is only supported with Memory mode enabled!";
    QTest::newRow("no sequencer") << 4 << "Vyra Sequencer is not supported for this camera model!";
    QTest::newRow("in use elsewhere") << 1 << QString();
}

void TestMainWindow::refusesCameras()
{
    QFETCH(int, deviceId);
    QFETCH(QString, message);
    if (message.isEmpty())
        QVERIFY(Control::setInUseElsewhere(deviceId, true));

    auto window = startWindow([deviceId](ModalAnswerer &a) { chooseCamera(a, deviceId); });
    QCOMPARE(answerer->messages.size(), 1);
    const ModalAnswerer::Message shown = answerer->messages.first();
    QCOMPARE(shown.icon, QMessageBox::Critical);
    QCOMPARE(shown.title, QStringLiteral("Vyra Sequencer"));
    if (message.isEmpty()) {
        // The driver's own reason, with its status code.
        QVERIFY2(QRegularExpression(".+ \\(\\d+\\)$").match(shown.text).hasMatch(),
                 qPrintable(shown.text));
    } else {
        QCOMPARE(shown.text, message);
    }
    QCOMPARE(statusText(window.get()), QStringLiteral("No camera opened"));
    QCOMPARE(enabledActions(window.get()), noCameraActions);
    QVERIFY(Control::openHandles().empty());
}

void TestMainWindow::opensWhenTheMemoryModeCannotBeAsked()
{
    QVERIFY(Control::injectFailure("deviceOptionControl", VYRA_NOT_SUPPORTED, 1, 90));
    auto window = startWindow([](ModalAnswerer &a) { chooseCamera(a, 1); });
    QVERIFY(answerer->messages.isEmpty());
    QCOMPARE(statusText(window.get()), QStringLiteral("VK1240C-USB opened"));
    QCOMPARE(Control::pendingFailures(), 0);
}

void TestMainWindow::cancelledStartLeavesNoCamera()
{
    auto window = startWindow(cancelCameraDialog);
    QVERIFY(Control::openHandles().empty());
    // Toggling a feature without a camera only changes the toggle.
    QToggleButton *first = toggles(window.get()).first();
    QTest::mousePress(first, Qt::LeftButton);
    QVERIFY(first->isChecked());
    QCOMPARE(enabledActions(window.get()), noCameraActions);
}

void TestMainWindow::changeCameraToAnotherCamera()
{
    auto window = startWindow([](ModalAnswerer &a) { chooseCamera(a, 1); });
    QCOMPARE(statusText(window.get()), QStringLiteral("VK1240C-USB opened"));

    chooseCamera(*answerer, 2);
    action(window.get(), "action_opencamera")->trigger();
    QCOMPARE(answerer->pendingAnswers(), 0);
    QVERIFY(answerer->messages.isEmpty());
    QCOMPARE(statusText(window.get()), QStringLiteral("VK2230C-USB opened"));
    // Nothing holds the first camera any more.
    const auto handles = Control::openHandles();
    QCOMPARE(handles.size(), size_t(1));
    QCOMPARE(Control::openCameraState(handles.front())->deviceId, 2);
    QCOMPARE(enabledActions(window.get()), cameraOpenActions);
}

void TestMainWindow::changeCameraCancelKeepsTheOldCamera()
{
    auto window = startWindow([](ModalAnswerer &a) { chooseCamera(a, 1); });
    cancelCameraDialog(*answerer);
    action(window.get(), "action_opencamera")->trigger();
    QCOMPARE(answerer->pendingAnswers(), 0);

    // The camera in use is the one the status bar names.
    QCOMPARE(statusText(window.get()), QStringLiteral("VK1240C-USB opened"));
    const auto handles = Control::openHandles();
    QCOMPARE(handles.size(), size_t(1));
    QVERIFY(Control::openCameraState(handles.front())->live);
    QCOMPARE(enabledActions(window.get()), cameraOpenActions);
}

void TestMainWindow::changeCameraToTheSameCameraReopensIt()
{
    auto window = startWindow([](ModalAnswerer &a) { chooseCamera(a, 1); });
    chooseCamera(*answerer, 1);
    action(window.get(), "action_opencamera")->trigger();
    QCOMPARE(answerer->pendingAnswers(), 0);
    QVERIFY(answerer->messages.isEmpty());
    QCOMPARE(statusText(window.get()), QStringLiteral("VK1240C-USB opened"));
    const auto handles = Control::openHandles();
    QCOMPARE(handles.size(), size_t(1));
    QCOMPARE(Control::openCameraState(handles.front())->deviceId, 1);
    QVERIFY(Control::openCameraState(handles.front())->live);
    QCOMPARE(enabledActions(window.get()), cameraOpenActions);
}

void TestMainWindow::failedChangeCameraLeavesNothingBehind_data()
{
    QTest::addColumn<int>("deviceId");
    QTest::addColumn<bool>("inUse");
    QTest::newRow("camera cannot be opened") << 2 << true;
    QTest::newRow("memory mode off") << 3 << false;
    QTest::newRow("no sequencer") << 4 << false;
}

void TestMainWindow::failedChangeCameraLeavesNothingBehind()
{
    QFETCH(int, deviceId);
    QFETCH(bool, inUse);
    if (inUse)
        QVERIFY(Control::setInUseElsewhere(deviceId, true));
    auto window = startWindow([](ModalAnswerer &a) { chooseCamera(a, 1); });
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QCOMPARE(statusText(window.get()), QStringLiteral("VK1240C-USB opened"));

    chooseCamera(*answerer, deviceId);
    action(window.get(), "action_opencamera")->trigger();
    QCOMPARE(answerer->messages.size(), 1);
    QCOMPARE(answerer->messages.first().icon, QMessageBox::Critical);

    // Back in the state of a start-up without a camera: the camera opened
    // before is closed, as nothing (sequencer, trigger thread) holds it.
    QCOMPARE(statusText(window.get()), QStringLiteral("No camera opened"));
    QVERIFY(Control::openHandles().empty());
    QCOMPARE(enabledActions(window.get()), noCameraActions);
    QVERIFY(togglesEnabled(window.get(), true));

    // Every command still offered must work without a camera. Any dialog it
    // brings up is dismissed by the answerer.
    const QStringList offered = enabledActions(window.get());
    for (const QString &name : offered) {
        if (name == QLatin1String("action_exitapp"))
            continue;
        action(window.get(), qPrintable(name))->trigger();
        QCoreApplication::processEvents();
    }
    for (QToggleButton *toggle : toggles(window.get())) {
        QTest::mousePress(toggle, Qt::LeftButton);
        QTest::mousePress(toggle, Qt::RightButton);
    }
    for (AboutBox *about : window->findChildren<AboutBox *>())
        about->close();
    QCOMPARE(statusText(window.get()), QStringLiteral("No camera opened"));
    QCOMPARE(enabledActions(window.get()), noCameraActions);

    // And a camera can be opened again.
    chooseCamera(*answerer, 1);
    action(window.get(), "action_opencamera")->trigger();
    QCOMPARE(statusText(window.get()), QStringLiteral("VK1240C-USB opened"));
    QCOMPARE(enabledActions(window.get()), cameraOpenActions);
}

void TestMainWindow::cameraRemovedAndReconnected()
{
    auto window = startWindow([](ModalAnswerer &a) { chooseCamera(a, 1); });
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QVERIFY(answerer->messages.isEmpty());

    answerer->pressInNextMessageBox(QMessageBox::Ok);
    QVERIFY(Control::unplug(1));
    QTRY_COMPARE_WITH_TIMEOUT(answerer->messages.size(), 1, 10000);
    QCOMPARE(answerer->messages.last().text,
             QStringLiteral("Camera removed!\nPlease reconnect the Camera."));
    QCOMPARE(answerer->messages.last().icon, QMessageBox::Critical);
    QTRY_COMPARE(answerer->pendingAnswers(), 0);
    QCoreApplication::processEvents();
    QCOMPARE(enabledActions(window.get()), removedCameraActions);
    QVERIFY(togglesEnabled(window.get(), false));

    answerer->pressInNextMessageBox(QMessageBox::Ok);
    QVERIFY(Control::replug(1));
    QTRY_COMPARE_WITH_TIMEOUT(answerer->messages.size(), 2, 10000);
    QCOMPARE(answerer->messages.last().text, QStringLiteral("Camera reconnected."));
    QCOMPARE(answerer->messages.last().icon, QMessageBox::Information);
    QTRY_COMPARE(answerer->pendingAnswers(), 0);
    QCoreApplication::processEvents();
    QCOMPARE(enabledActions(window.get()), cameraOpenActions);
    QVERIFY(togglesEnabled(window.get(), true));
    QCOMPARE(Control::openCameraState(Control::openHandles().front())->triggerMode,
             VYRA_TRIGGER_SOFTWARE);
}

void TestMainWindow::helpMenu()
{
    auto window = startWindow(cancelCameraDialog);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));

    action(window.get(), "action_Cameraapplication")->trigger();
    action(window.get(), "action_Cameraapplication")->trigger();
    QList<AboutBox *> boxes = window->findChildren<AboutBox *>();
    QCOMPARE(boxes.size(), 2);
    QVERIFY(boxes.first()->isVisible());
    QVERIFY(!boxes.first()->isModal());
    for (AboutBox *box : boxes)
        box->findChild<QPushButton *>(QStringLiteral("pushButton"))->click();
    QTRY_VERIFY(window->findChildren<AboutBox *>().isEmpty());

    QString title = QStringLiteral("unset");
    answerer->answer([&title](QWidget *widget) {
        title = widget->windowTitle();
        qobject_cast<QMessageBox *>(widget)->button(QMessageBox::Ok)->click();
    });
    action(window.get(), "action_Cameraqt")->trigger();
    QCOMPARE(answerer->pendingAnswers(), 0);
    QVERIFY(title.isEmpty() || title == QStringLiteral("About Qt"));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
