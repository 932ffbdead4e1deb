// The camera selection dialog, its list model and the device-event threads,
// on the simulated driver.

#include <QAbstractItemModel>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QtTest>

#include <algorithm>

#include "eventthread.h"
#include "modalanswerer.h"
#include "simcontrol.h"
#include "stylesheet.h"
#include "vyracameradialog.h"
#include "vyracameralistmodel.h"

using VyraSim::CameraSpec;
using VyraSim::Control;

namespace {

CameraSpec cameraSpec(int32_t deviceId, const std::string &model, const std::string &serial)
{
    CameraSpec description;
    description.deviceId = deviceId;
    description.cameraId = deviceId + 10;
    description.model = model;
    description.cameraName = model + "-USB";
    description.serialNumber = serial;
    return description;
}

int notificationsStarted(int32_t eventId)
{
    const auto calls = Control::calls();
    return int(std::count_if(calls.begin(), calls.end(), [eventId](const VyraSim::CallRecord &c) {
        return c.operation == "startEventNotification" && c.handle == 0 && c.command == eventId;
    }));
}

int callsOf(const std::string &operation, int32_t eventId)
{
    const auto calls = Control::calls();
    return int(std::count_if(calls.begin(), calls.end(), [&](const VyraSim::CallRecord &c) {
        return c.operation == operation && c.handle == 0 && c.command == eventId;
    }));
}

QTableView *tableOf(QWidget *dialog)
{
    return dialog->findChild<QTableView *>(QStringLiteral("tableView"));
}

void clickButton(QWidget *dialog, QDialogButtonBox::StandardButton which)
{
    auto *box = dialog->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
    QVERIFY(box && box->button(which));
    QTest::mouseClick(box->button(which), Qt::LeftButton);
}

void doubleClickRow(QTableView *table, int row)
{
    const QRect cell = table->visualRect(table->model()->index(row, 1));
    // Qt Test's double click on a widget is the second click only; the view
    // reports a double click on the item its first click pressed.
    QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
}

QStringList rowTexts(const QAbstractItemModel *model, int row)
{
    QStringList texts;
    for (int column = 0; column < model->columnCount(); ++column)
        texts << model->index(row, column).data().toString();
    return texts;
}

} // namespace

class TestCameraDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void modelColumnsAndRows();
    void modelShowsAvailabilityWithIcons_data();
    void modelShowsAvailabilityWithIcons();
    void modelReplacesEveryVkInTheModelName();
    void modelIsEmptyWhenTheDriverFails();
    void modelReloadsOnPlugAndUnplug();
    void modelUnregistersWhenDestroyed();

    void eventThreadStopBeforeItWaitsIsKept();

    void dialogLooksAsBuilt();
    void dialogShowsEveryRowAndMarksTheChosenOne_data();
    void dialogShowsEveryRowAndMarksTheChosenOne();
    void dialogWithoutCameraRefusesOk();
    void dialogDoubleClickAcceptsAllButACameraHeldElsewhere_data();
    void dialogDoubleClickAcceptsAllButACameraHeldElsewhere();
    void dialogOkAcceptsTheSelectedCameraEvenInUse();
    void dialogCancelKeepsTheEarlierChoice();
    void dialogReadsTheListAnewEveryTime();
    void dialogFollowsPlugEventsAfterReopening();
    void dialogLosesTheSelectionOnReload();
};

void TestCameraDialog::init()
{
    Control::resetToDefaults();
    QVERIFY(Control::setCameras(
        {cameraSpec(1, "VK1240C", "4102000001"), cameraSpec(2, "VK2230C", "4102000002")}));
    Control::clearCalls();
}

void TestCameraDialog::modelColumnsAndRows()
{
    VyraCameraListModel model;
    QCOMPARE(model.columnCount(), 5);
    QCOMPARE(model.rowCount(), 2);
    const QStringList headers = {"Available", "ID", "Dev. ID", "Model", "Ser. No"};
    for (int section = 0; section < headers.size(); ++section)
        QCOMPARE(model.headerData(section, Qt::Horizontal).toString(), headers.at(section));
    QVERIFY(!model.headerData(5, Qt::Horizontal).isValid());
    QVERIFY(!model.headerData(0, Qt::Horizontal, Qt::DecorationRole).isValid());
    QCOMPARE(model.headerData(1, Qt::Vertical).toInt(), 1);

    QCOMPARE(rowTexts(&model, 0), QStringList({"Yes", "11", "1", "VK-1240C", "4102000001"}));
    QCOMPARE(rowTexts(&model, 1), QStringList({"Yes", "12", "2", "VK-2230C", "4102000002"}));
    QCOMPARE(model.index(0, 1).data().type(), QVariant::Int);
    QCOMPARE(model.index(0, 2).data().type(), QVariant::Int);

    QVERIFY(!model.index(2, 0).data().isValid());
    QVERIFY(!model.data(QModelIndex()).isValid());
    QVERIFY(!model.index(0, 3).data(Qt::ToolTipRole).isValid());
    QVERIFY(!model.index(0, 3).data(Qt::DecorationRole).isValid());
    QVERIFY(!(model.flags(model.index(0, 0)) & Qt::ItemIsEditable));
}

void TestCameraDialog::modelShowsAvailabilityWithIcons_data()
{
    QTest::addColumn<int>("deviceId");
    QTest::addColumn<bool>("held");
    QTest::addColumn<int>("openDeviceId");
    QTest::addColumn<QString>("available");
    QTest::addColumn<QString>("icon");
    QTest::newRow("free USB") << 1 << false << -1 << "Yes"
                              << "USB Connected";
    QTest::newRow("USB held elsewhere") << 1 << true << -1 << "No"
                                        << "USB Disconnected";
    QTest::newRow("USB open here") << 1 << true << 1 << "In use by this program"
                                   << "USB Connected";
    QTest::newRow("another open here") << 1 << true << 2 << "No"
                                       << "USB Disconnected";
    QTest::newRow("free GigE") << 1001 << false << -1 << "Yes"
                               << "Network Connected";
    QTest::newRow("GigE held elsewhere") << 1001 << true << -1 << "No"
                                         << "Network Disconnected";
    QTest::newRow("GigE open here") << 1001 << true << 1001 << "In use by this program"
                                    << "Network Connected";
}

void TestCameraDialog::modelShowsAvailabilityWithIcons()
{
    QFETCH(int, deviceId);
    QFETCH(bool, held);
    QFETCH(int, openDeviceId);
    QFETCH(QString, available);
    QFETCH(QString, icon);
    // The driver marks a camera this program holds as in use, as it does one
    // that another program holds.
    CameraSpec camera = cameraSpec(deviceId, "VK1240C", "4102000001");
    camera.cameraId = 1;
    QVERIFY(Control::setCameras({camera}));
    QVERIFY(Control::setInUseElsewhere(deviceId, held));
    VyraCameraListModel model(nullptr, openDeviceId);
    QCOMPARE(model.index(0, 0).data().toString(), available);

    const QImage shown =
        model.index(0, 0).data(Qt::DecorationRole).value<QIcon>().pixmap(48, 48).toImage();
    const QImage expected(QStringLiteral(":/images/Icons8/%1.png").arg(icon));
    QVERIFY(!expected.isNull());
    QCOMPARE(shown.convertToFormat(expected.format()), expected);
}

void TestCameraDialog::modelReplacesEveryVkInTheModelName()
{
    QVERIFY(Control::setCameras({cameraSpec(5, "VK12VK34C", "1"), cameraSpec(6, "VK2-VK", "2")}));
    VyraCameraListModel model;
    QCOMPARE(model.index(0, 3).data().toString(), QStringLiteral("VK-12VK-34C"));
    QCOMPARE(model.index(1, 3).data().toString(), QStringLiteral("VK-2-VK-"));
}

void TestCameraDialog::modelIsEmptyWhenTheDriverFails()
{
    QVERIFY(Control::injectFailure("countCameras", VYRA_NO_SUCCESS));
    {
        VyraCameraListModel model;
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.columnCount(), 5);
    }
    QVERIFY(Control::injectFailure("listCameras", VYRA_INVALID_PARAMETER));
    {
        VyraCameraListModel model;
        QCOMPARE(model.rowCount(), 0);
    }
    VyraCameraListModel model;
    QCOMPARE(model.rowCount(), 2);
}

void TestCameraDialog::modelReloadsOnPlugAndUnplug()
{
    VyraCameraListModel model;
    QTRY_VERIFY(notificationsStarted(VYRA_EVENT_DEVICE_CONNECTED) == 1 &&
                notificationsStarted(VYRA_EVENT_DEVICE_REMOVED) == 1);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);

    const int32_t plugged = Control::plugIn(cameraSpec(7, "VK3080C", "4102000007"));
    QVERIFY(plugged > 0);
    QTRY_COMPARE(model.rowCount(), 3);
    QCOMPARE(model.index(2, 3).data().toString(), QStringLiteral("VK-3080C"));

    QVERIFY(Control::unplug(1));
    QTRY_COMPARE(model.rowCount(), 2);
    QCOMPARE(model.index(0, 2).data().toInt(), 2);
    QVERIFY(resets.count() >= 2);
}

void TestCameraDialog::modelUnregistersWhenDestroyed()
{
    {
        VyraCameraListModel model;
        QTRY_VERIFY(notificationsStarted(VYRA_EVENT_DEVICE_CONNECTED) == 1 &&
                    notificationsStarted(VYRA_EVENT_DEVICE_REMOVED) == 1);
    }
    for (int32_t eventId : {VYRA_EVENT_DEVICE_CONNECTED, VYRA_EVENT_DEVICE_REMOVED}) {
        QCOMPARE(callsOf("registerEventObject", eventId), 1);
        QCOMPARE(callsOf("stopEventNotification", eventId), 1);
        QCOMPARE(callsOf("unregisterEventObject", eventId), 1);
    }
}

void TestCameraDialog::eventThreadStopBeforeItWaitsIsKept()
{
    // Asked to stop right after the start, and before it was started at all:
    // either way the thread ends without anyone setting its event again.
    for (int round = 0; round < 20; ++round) {
        EventThread thread(VYRA_EVENT_DEVICE_CONNECTED);
        thread.start();
        thread.stop();
        QVERIFY(thread.wait(10000));
    }
    EventThread early(VYRA_EVENT_DEVICE_REMOVED);
    early.stop();
    early.start();
    QVERIFY(early.wait(10000));

    // The request is used up: the thread can run again and reports events.
    QSignalSpy signaled(&early, &EventThread::eventSignaled);
    Control::clearCalls();
    early.start();
    QTRY_COMPARE(notificationsStarted(VYRA_EVENT_DEVICE_REMOVED), 1);
    QVERIFY(Control::unplug(2));
    QTRY_COMPARE(signaled.count(), 1);
    early.stop();
    QVERIFY(early.wait(10000));
}

void TestCameraDialog::dialogLooksAsBuilt()
{
    VyraCameraDialog dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Select Camera"));
    QCOMPARE(dialog.size(), QSize(452, 162));
    QCOMPARE(dialog.selectedDeviceId(), -1);
    QVERIFY(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(dialog.styleSheet().isEmpty());
    QTableView *table = tableOf(&dialog);
    QVERIFY(table);
    QCOMPARE(table->selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(table->selectionBehavior(), QAbstractItemView::SelectRows);
    QVERIFY(!table->verticalHeader()->isVisible() || table->verticalHeader()->isHidden());
    QVERIFY(table->horizontalHeader()->stretchLastSection());

    ModalAnswerer answerer;
    answerer.answer([](QWidget *widget) {
        QTableView *table = tableOf(widget);
        QCOMPARE(table->columnWidth(0), 75);
        QCOMPARE(table->columnWidth(1), 75);
        QCOMPARE(table->columnWidth(2), 75);
        QCOMPARE(table->columnWidth(3), 100);
        QVERIFY(table->verticalHeader()->isHidden());
        QCOMPARE(table->model()->rowCount(), 2);
        clickButton(widget, QDialogButtonBox::Cancel);
    });
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QCOMPARE(answerer.pendingAnswers(), 0);
}

void TestCameraDialog::dialogShowsEveryRowAndMarksTheChosenOne_data()
{
    QTest::addColumn<int>("cameras");
    QTest::newRow("three") << 3;
    QTest::newRow("six") << 6;
}

void TestCameraDialog::dialogShowsEveryRowAndMarksTheChosenOne()
{
    QFETCH(int, cameras);
    std::vector<CameraSpec> plugged;
    for (int camera = 1; camera <= cameras; ++camera)
        plugged.push_back(cameraSpec(camera, "VK1240C", "410200000" + std::to_string(camera)));
    QVERIFY(Control::setCameras(plugged));
    // The dialog takes the look of the window it belongs to.
    QWidget window;
    window.setStyleSheet(loadStyleSheet(QStringLiteral("base.qss")));
    VyraCameraDialog dialog(&window);
    ModalAnswerer answerer;
    answerer.answer([cameras](QWidget *widget) {
        QTableView *table = tableOf(widget);
        QCOMPARE(table->model()->rowCount(), cameras);
        QVERIFY(!table->horizontalScrollBar()->isVisible());
        QVERIFY(!table->verticalScrollBar()->isVisible());
        table->selectRow(1);
        const QImage shown = table->viewport()->grab().toImage();
        const auto colourOf = [&](int row) {
            const QRect cell = table->visualRect(table->model()->index(row, 1));
            return shown.pixelColor(cell.right() - 4, cell.center().y());
        };
        QCOMPARE(colourOf(1), QColor(85, 170, 255));
        QVERIFY(colourOf(0) != colourOf(1));
        QVERIFY(colourOf(2) != colourOf(1));
        clickButton(widget, QDialogButtonBox::Cancel);
    });
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QCOMPARE(answerer.pendingAnswers(), 0);
}

void TestCameraDialog::dialogWithoutCameraRefusesOk()
{
    QVERIFY(Control::setCameras({}));
    VyraCameraDialog dialog;
    ModalAnswerer answerer;
    answerer.answer([](QWidget *widget) {
        QCOMPARE(tableOf(widget)->model()->rowCount(), 0);
        QCOMPARE(tableOf(widget)->model()->columnCount(), 5);
        clickButton(widget, QDialogButtonBox::Ok);
    });
    answerer.pressInNextMessageBox(QMessageBox::Ok);
    answerer.answer([&dialog](QWidget *widget) {
        // The warning is answered and the dialog is still there.
        QCOMPARE(widget, &dialog);
        clickButton(widget, QDialogButtonBox::Cancel);
    });

    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QCOMPARE(answerer.pendingAnswers(), 0);
    QCOMPARE(answerer.messages.size(), 1);
    QCOMPARE(answerer.messages.first().text, QStringLiteral("No camera selected."));
    QCOMPARE(answerer.messages.first().title, QStringLiteral("Select Camera"));
    QCOMPARE(answerer.messages.first().icon, QMessageBox::Warning);
    QCOMPARE(dialog.selectedDeviceId(), -1);
}

void TestCameraDialog::dialogDoubleClickAcceptsAllButACameraHeldElsewhere_data()
{
    QTest::addColumn<bool>("held");
    QTest::addColumn<int>("openDeviceId");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("free") << false << -1 << true;
    QTest::newRow("held elsewhere") << true << -1 << false;
    QTest::newRow("open here") << true << 2 << true;
}

void TestCameraDialog::dialogDoubleClickAcceptsAllButACameraHeldElsewhere()
{
    QFETCH(bool, held);
    QFETCH(int, openDeviceId);
    QFETCH(bool, accepted);
    QVERIFY(Control::setInUseElsewhere(2, held));
    VyraCameraDialog dialog;
    dialog.setOpenDeviceId(openDeviceId);
    ModalAnswerer answerer;
    answerer.answer([](QWidget *widget) { doubleClickRow(tableOf(widget), 1); });
    if (!accepted) {
        answerer.pressInNextMessageBox(QMessageBox::Ok);
        answerer.answer([&dialog](QWidget *widget) {
            QCOMPARE(widget, &dialog);
            clickButton(widget, QDialogButtonBox::Cancel);
        });
    }

    QCOMPARE(dialog.exec(), int(accepted ? QDialog::Accepted : QDialog::Rejected));
    QCOMPARE(answerer.pendingAnswers(), 0);
    QCOMPARE(dialog.selectedDeviceId(), accepted ? 2 : -1);
    if (accepted) {
        QVERIFY(answerer.messages.isEmpty());
        return;
    }
    QCOMPARE(answerer.messages.size(), 1);
    QCOMPARE(answerer.messages.first().text, QStringLiteral("Camera is already in use."));
    QCOMPARE(answerer.messages.first().title, QStringLiteral("No camera selected."));
    QCOMPARE(answerer.messages.first().icon, QMessageBox::Warning);
}

void TestCameraDialog::dialogOkAcceptsTheSelectedCameraEvenInUse()
{
    QVERIFY(Control::setInUseElsewhere(2, true));
    VyraCameraDialog dialog;
    ModalAnswerer answerer;
    answerer.answer([](QWidget *widget) {
        tableOf(widget)->selectRow(1);
        clickButton(widget, QDialogButtonBox::Ok);
    });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QCOMPARE(dialog.selectedDeviceId(), 2);
    QVERIFY(answerer.messages.isEmpty());
}

void TestCameraDialog::dialogCancelKeepsTheEarlierChoice()
{
    VyraCameraDialog dialog;
    ModalAnswerer answerer;
    answerer.answer([](QWidget *widget) {
        tableOf(widget)->selectRow(0);
        clickButton(widget, QDialogButtonBox::Ok);
    });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QCOMPARE(dialog.selectedDeviceId(), 1);

    answerer.answer([](QWidget *widget) {
        tableOf(widget)->selectRow(1);
        clickButton(widget, QDialogButtonBox::Cancel);
    });
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QCOMPARE(dialog.selectedDeviceId(), 1);

    // Closing the window is a cancel too.
    answerer.answer([](QWidget *widget) {
        tableOf(widget)->selectRow(1);
        widget->close();
    });
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QCOMPARE(dialog.selectedDeviceId(), 1);
    QCOMPARE(answerer.pendingAnswers(), 0);
}

void TestCameraDialog::dialogReadsTheListAnewEveryTime()
{
    VyraCameraDialog dialog;
    ModalAnswerer answerer;
    QStringList seen;
    const auto look = [&seen](QWidget *widget) {
        const QAbstractItemModel *model = tableOf(widget)->model();
        seen << QString::number(model->rowCount()) + ":" + model->index(0, 0).data().toString();
        clickButton(widget, QDialogButtonBox::Cancel);
    };
    answerer.answer(look);
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    // No device event announces this change: only reading the list shows it.
    QVERIFY(Control::setInUseElsewhere(1, true));
    answerer.answer(look);
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QCOMPARE(seen, QStringList({"2:Yes", "2:No"}));
}

void TestCameraDialog::dialogFollowsPlugEventsAfterReopening()
{
    // The second list must still hear of new cameras once the first one has
    // given up its registrations.
    VyraCameraDialog dialog;
    ModalAnswerer answerer;
    answerer.answer([](QWidget *widget) { clickButton(widget, QDialogButtonBox::Cancel); });
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QTRY_COMPARE(notificationsStarted(VYRA_EVENT_DEVICE_CONNECTED), 1);

    int rowsAfterPlug = -1;
    answerer.answer([&rowsAfterPlug](QWidget *widget) {
        QAbstractItemModel *model = tableOf(widget)->model();
        QTRY_COMPARE(notificationsStarted(VYRA_EVENT_DEVICE_CONNECTED), 2);
        Control::plugIn(cameraSpec(9, "VK5000C", "4102000009"));
        QTRY_COMPARE(model->rowCount(), 3);
        rowsAfterPlug = model->rowCount();
        clickButton(widget, QDialogButtonBox::Cancel);
    });
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QCOMPARE(rowsAfterPlug, 3);
}

void TestCameraDialog::dialogLosesTheSelectionOnReload()
{
    VyraCameraDialog dialog;
    ModalAnswerer answerer;
    bool selectionLost = false;
    answerer.answer([&selectionLost](QWidget *widget) {
        QTableView *table = tableOf(widget);
        QTRY_COMPARE(notificationsStarted(VYRA_EVENT_DEVICE_REMOVED), 1);
        table->selectRow(1);
        QVERIFY(table->selectionModel()->hasSelection());
        Control::unplug(1);
        QTRY_COMPARE(table->model()->rowCount(), 1);
        selectionLost = !table->selectionModel()->hasSelection();
        clickButton(widget, QDialogButtonBox::Ok);
    });
    // OK without a selection warns; then the dialog is cancelled.
    answerer.pressInNextMessageBox(QMessageBox::Ok);
    answerer.answer([](QWidget *widget) { clickButton(widget, QDialogButtonBox::Cancel); });
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QVERIFY(selectionLost);
    QCOMPARE(answerer.messages.size(), 1);
    QCOMPARE(answerer.messages.first().text, QStringLiteral("No camera selected."));
}

QTEST_MAIN(TestCameraDialog)
#include "tst_cameradialog.moc"
