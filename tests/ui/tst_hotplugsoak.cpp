// A loose cable during a live sequence: 200 removals and reconnections of
// the camera, then the sequence runs again. Run in the address-sanitizer
// build (scripts/sanitize.sh address), the leak checker sees what the cycles
// leave behind.

#include <QDoubleSpinBox>
#include <QSettings>
#include <QtTest>

#include <memory>

#include "mainwindow.h"
#include "windowdriver.h"

using namespace WindowTest;

namespace {

constexpr int cycles = 200;

} // namespace

class TestHotPlugSoak : public QObject
{
    Q_OBJECT

private slots:
    void cyclesDuringALiveSequence();
};

void TestHotPlugSoak::cyclesDuringALiveSequence()
{
    hideSizeHintWarnings();
    Control::resetToDefaults();
    QVERIFY(Control::setCameras({cameraSpec(1, "VK1240C")}));
    QSettings(QStringLiteral("Quellmark"), QStringLiteral("Vyra Sequencer")).clear();
    ModalAnswerer answerer;
    chooseCamera(answerer, 1);
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    setFeature(&window, QStringLiteral("Exposure"), true);
    for (int i = 0; i < 3; ++i)
        action(&window, "action_addsequence")->trigger();
    action(&window, "action_run")->setChecked(true);
    QTRY_VERIFY(highlighted(&window) >= 0);

    // The box of the first removal stays open while the cable comes and goes.
    int done = 0;
    answerer.answer([&](QWidget *widget) {
        auto *box = qobject_cast<QMessageBox *>(widget);
        for (; done < cycles; ++done) {
            if (done > 0) {
                QVERIFY(Control::unplug(1));
                QTRY_VERIFY(box->icon() == QMessageBox::Critical);
            }
            QVERIFY(Control::replug(1));
            QTRY_VERIFY(box->icon() == QMessageBox::Information);
        }
        box->button(QMessageBox::Ok)->click();
    });
    QVERIFY(Control::unplug(1));
    QTRY_COMPARE_WITH_TIMEOUT(answerer.pendingAnswers(), 0, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!QApplication::activeModalWidget(), 120000);
    QCOMPARE(done, cycles);
    QCOMPARE(answerer.unexpected(), 0);

    // The removal stopped the run; it starts again and follows its sets.
    QVERIFY(!action(&window, "action_run")->isChecked());
    action(&window, "action_run")->setChecked(true);
    QCOMPARE(action(&window, "action_run")->text(), QStringLiteral("Stop Sequencer"));
    const QList<ShownImage> shown = sequenceImagesShown(&window, 6);
    QCOMPARE(shown.size(), 6);
    QVERIFY(followsTheRing(shown, 3));
    action(&window, "action_run")->setChecked(false);
}

QTEST_MAIN(TestHotPlugSoak)
#include "tst_hotplugsoak.moc"
