// The Acquisition and Image Size commands of the main window: which controls
// the sequencer mode leaves enabled, and how long a dialog and the camera it
// holds live.

#include <QAction>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QtTest>

#include <memory>

#include "acquisitiondialog.h"
#include "imagesizedialog.h"
#include "mainwindow.h"
#include "modalanswerer.h"
#include "settingsdialogsupport.h"
#include "windowdriver.h"

using namespace SettingsDialogTest;
using WindowTest::chooseCamera;
using VyraSim::Control;

namespace {

void trigger(QWidget *window, const QString &action)
{
    window->findChild<QAction *>(action)->trigger();
}

/// The settings dialog the window shows, if any.
QDialog *openDialog(QWidget *window)
{
    if (QDialog *acquisition = window->findChild<AcquisitionDialog *>())
        return acquisition;
    return window->findChild<ImageSizeDialog *>();
}

int settingsDialogCount(QWidget *window)
{
    return window->findChildren<AcquisitionDialog *>().size() +
           window->findChildren<ImageSizeDialog *>().size();
}

QStringList enabledOf(QWidget *dialog, const QStringList &names)
{
    QStringList enabled;
    for (const QString &name : names) {
        if (dialog->findChild<QWidget *>(name)->isEnabled())
            enabled << name;
    }
    return enabled;
}

} // namespace

class TestSettingsDialogs : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void sequencerModeLeavesOnlyWhatItAllows_data();
    void sequencerModeLeavesOnlyWhatItAllows();
    void closedDialogIsDeleted_data();
    void closedDialogIsDeleted();
    void changeCameraLetsGoOfTheDialogsCamera_data();
    void changeCameraLetsGoOfTheDialogsCamera();

private:
    std::unique_ptr<ModalAnswerer> answerer;
    std::unique_ptr<MainWindow> window;
};

void TestSettingsDialogs::init()
{
    Control::resetToDefaults();
    QSettings(QStringLiteral("Quellmark"), QStringLiteral("Vyra Sequencer")).clear();
    answerer = std::make_unique<ModalAnswerer>();
    chooseCamera(*answerer, smallCamera);
    window = std::make_unique<MainWindow>();
    QCOMPARE(WindowTest::statusText(window.get()), QStringLiteral("VK1240C-USB opened"));
    // The answerer would close the settings dialogs, which are modal too; it
    // is made again where a camera is to be chosen.
    answerer.reset();
}

void TestSettingsDialogs::cleanup()
{
    window.reset();
    answerer.reset();
}

void TestSettingsDialogs::sequencerModeLeavesOnlyWhatItAllows_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("sequencerOn");
    QTest::addColumn<QStringList>("controls");
    QTest::addColumn<QStringList>("enabled");
    const QStringList acquisition = {"pixelclock_box", "framerate_box", "exposure_box",
                                     "dialog_close"};
    const QStringList imageSize = {"profile", "groupBox", "groupBox_2", "dialog_close"};
    QTest::newRow("acquisition") << "action_settings" << false << acquisition << acquisition;
    QTest::newRow("acquisition, sequencer on") << "action_settings" << true << acquisition
                                               << QStringList({"framerate_box", "dialog_close"});
    QTest::newRow("image size") << "action_imagesize" << false << imageSize << imageSize;
    QTest::newRow("image size, sequencer on")
        << "action_imagesize" << true << imageSize << QStringList({"dialog_close"});
}

void TestSettingsDialogs::sequencerModeLeavesOnlyWhatItAllows()
{
    QFETCH(QString, action);
    QFETCH(bool, sequencerOn);
    QFETCH(QStringList, controls);
    QFETCH(QStringList, enabled);
    int32_t on = sequencerOn ? 1 : 0;
    QCOMPARE(sequencerControl(Control::openHandles().front(), VYRA_SEQUENCER_MODE_SET, &on, 4),
             VYRA_SUCCESS);
    trigger(window.get(), action);

    QDialog *dialog = openDialog(window.get());
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->windowModality(), Qt::WindowModal);
    QCOMPARE(enabledOf(dialog, controls), enabled);
}

void TestSettingsDialogs::closedDialogIsDeleted_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("closing");
    QTest::newRow("acquisition, Close") << "action_settings"
                                        << "button";
    QTest::newRow("acquisition, Escape") << "action_settings"
                                         << "escape";
    QTest::newRow("acquisition, window") << "action_settings"
                                         << "window";
    QTest::newRow("image size, Close") << "action_imagesize"
                                       << "button";
    QTest::newRow("image size, window") << "action_imagesize"
                                        << "window";
}

void TestSettingsDialogs::closedDialogIsDeleted()
{
    QFETCH(QString, action);
    QFETCH(QString, closing);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    // A second command replaces the dialog of the first.
    trigger(window.get(), action);
    trigger(window.get(), action);
    QCOMPARE(settingsDialogCount(window.get()), 1);

    QPointer<QDialog> dialog = openDialog(window.get());
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    if (closing == QLatin1String("button"))
        dialog->findChild<QPushButton *>(QStringLiteral("dialog_close"))->click();
    else if (closing == QLatin1String("escape"))
        QTest::keyClick(dialog, Qt::Key_Escape);
    else
        dialog->close();
    QTRY_VERIFY(dialog.isNull());
    QCOMPARE(settingsDialogCount(window.get()), 0);
}

void TestSettingsDialogs::changeCameraLetsGoOfTheDialogsCamera_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("closedFirst");
    QTest::newRow("acquisition open") << "action_settings" << false;
    QTest::newRow("acquisition closed") << "action_settings" << true;
    QTest::newRow("image size open") << "action_imagesize" << false;
    QTest::newRow("image size closed") << "action_imagesize" << true;
}

void TestSettingsDialogs::changeCameraLetsGoOfTheDialogsCamera()
{
    QFETCH(QString, action);
    QFETCH(bool, closedFirst);
    trigger(window.get(), action);
    QPointer<QDialog> dialog = openDialog(window.get());
    QVERIFY(dialog);
    if (closedFirst) {
        dialog->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    answerer = std::make_unique<ModalAnswerer>();
    chooseCamera(*answerer, largeCamera);
    trigger(window.get(), QStringLiteral("action_opencamera"));
    QCOMPARE(answerer->pendingAnswers(), 0);

    // The other camera opens, and nothing held on to the old one.
    QVERIFY(answerer->messages.isEmpty());
    QCOMPARE(WindowTest::statusText(window.get()), QStringLiteral("VK2280SE-C-USB opened"));
    QCOMPARE(int(Control::openHandles().size()), 1);
    QVERIFY(!Control::camera(smallCamera)->openedHere);
    QVERIFY(dialog.isNull());
    QCOMPARE(settingsDialogCount(window.get()), 0);

    // And the new camera's dialog works on it.
    trigger(window.get(), action);
    QVERIFY(openDialog(window.get()));
}

QTEST_MAIN(TestSettingsDialogs)
#include "tst_settingsdialogs.moc"
