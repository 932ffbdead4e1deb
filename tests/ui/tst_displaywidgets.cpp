// The image display and the feature toggle of the Properties dock.

#include <QLabel>
#include <QPixmap>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

#include <memory>

#include "qdisplaywidget.h"
#include "qtogglebutton.h"

namespace {

QSharedPointer<QImage> solidImage(int width, int height, QColor colour = Qt::red)
{
    auto image = QSharedPointer<QImage>::create(width, height, QImage::Format_RGB888);
    image->fill(colour);
    return image;
}

QPixmap shownPixmap(const QDisplayWidget &display)
{
    const QLabel *label = display.findChild<QLabel *>();
    return label ? label->pixmap(Qt::ReturnByValue) : QPixmap();
}

} // namespace

class TestDisplayWidgets : public QObject
{
    Q_OBJECT

private slots:
    void displayScalesToItsWidth_data();
    void displayScalesToItsWidth();
    void displayIgnoresNullImages();
    void displayKeepsTheOldScaleOnResize();
    void displayNeverForcesItsSize();
    void displayTakesImagesThroughQueuedSignals();

    void toggleFlipsOnAnyMouseButton();
    void toggleReportsEveryChangeWithItsId();
    void toggleSettingTheSameStateEmitsNothing();
    void toggleRestoresTheEarlierStyleSheet();
    void toggleCannotTakeFocus();
};

void TestDisplayWidgets::displayScalesToItsWidth_data()
{
    QTest::addColumn<QSize>("imageSize");
    QTest::newRow("wider than the display") << QSize(1280, 1024);
    QTest::newRow("narrower than the display") << QSize(160, 90);
    QTest::newRow("tall and narrow") << QSize(50, 400);
}

void TestDisplayWidgets::displayScalesToItsWidth()
{
    QFETCH(QSize, imageSize);
    QDisplayWidget display;
    display.resize(320, 200);
    display.setImage(solidImage(imageSize.width(), imageSize.height()));

    const QPixmap pixmap = shownPixmap(display);
    QCOMPARE(pixmap.width(), 320);
    const double expectedHeight = imageSize.height() * 320.0 / imageSize.width();
    QVERIFY2(
        qAbs(pixmap.height() - expectedHeight) <= 1.0,
        qPrintable(QString("height %1, expected %2").arg(pixmap.height()).arg(expectedHeight)));
}

void TestDisplayWidgets::displayIgnoresNullImages()
{
    QDisplayWidget display;
    display.resize(200, 100);
    display.setImage(solidImage(400, 200, Qt::green));
    const QImage before = shownPixmap(display).toImage();

    display.setImage(QSharedPointer<QImage>());
    display.setImage(QSharedPointer<QImage>::create());

    QCOMPARE(shownPixmap(display).toImage(), before);
}

void TestDisplayWidgets::displayKeepsTheOldScaleOnResize()
{
    QDisplayWidget display;
    display.resize(300, 200);
    display.show();
    QVERIFY(QTest::qWaitForWindowExposed(&display));
    display.setImage(solidImage(600, 300));
    QCOMPARE(shownPixmap(display).size(), QSize(300, 150));

    display.resize(500, 400);
    QCoreApplication::processEvents();
    QCOMPARE(display.width(), 500);
    QCOMPARE(shownPixmap(display).size(), QSize(300, 150));

    display.setImage(solidImage(600, 300));
    QCOMPARE(shownPixmap(display).size(), QSize(500, 250));
}

void TestDisplayWidgets::displayNeverForcesItsSize()
{
    QWidget dock;
    auto *layout = new QVBoxLayout(&dock);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *display = new QDisplayWidget;
    layout->addWidget(display);
    dock.resize(250, 72);
    dock.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dock));

    // Scaled to 250 wide, a 4:3 image is far taller than the 72 px dock.
    display->setImage(solidImage(640, 480));
    QCoreApplication::processEvents();

    QCOMPARE(dock.size(), QSize(250, 72));
    QVERIFY(dock.minimumSizeHint().height() < 72);
}

void TestDisplayWidgets::displayTakesImagesThroughQueuedSignals()
{
    // Images arrive from the capture thread; the slot must be reachable by a
    // queued call with the shared image as its argument.
    qRegisterMetaType<QSharedPointer<QImage>>("QSharedPointer<QImage>");
    QDisplayWidget display;
    display.resize(100, 100);
    std::unique_ptr<QThread> sender(QThread::create([&display] {
        QMetaObject::invokeMethod(&display, "setImage", Qt::QueuedConnection,
                                  Q_ARG(QSharedPointer<QImage>, solidImage(50, 25)));
    }));
    sender->start();
    QVERIFY(sender->wait(10000));
    QTRY_COMPARE(shownPixmap(display).size(), QSize(100, 50));
}

void TestDisplayWidgets::toggleFlipsOnAnyMouseButton()
{
    QToggleButton toggle(4, QStringLiteral("AOI Offset X"));
    toggle.resize(178, 27);
    toggle.show();
    QVERIFY(QTest::qWaitForWindowExposed(&toggle));
    QSignalSpy clicked(&toggle, &QAbstractButton::clicked);

    QTest::mousePress(&toggle, Qt::RightButton);
    QVERIFY(toggle.isChecked());
    QTest::mouseRelease(&toggle, Qt::RightButton);
    QVERIFY(toggle.isChecked());
    // The press alone flips it; the release does not flip it back.
    QTest::mousePress(&toggle, Qt::LeftButton);
    QVERIFY(!toggle.isChecked());
    QTest::mouseRelease(&toggle, Qt::LeftButton);
    QVERIFY(!toggle.isChecked());
    QTest::mousePress(&toggle, Qt::MiddleButton);
    QVERIFY(toggle.isChecked());
    QCOMPARE(clicked.count(), 0);
}

void TestDisplayWidgets::toggleReportsEveryChangeWithItsId()
{
    QToggleButton toggle(16, QStringLiteral("Flash"));
    QSignalSpy spy(&toggle, &QToggleButton::toggle);
    QCOMPARE(toggle.text(), QStringLiteral("Flash"));

    toggle.setChecked(true);
    toggle.setChecked(false);
    QTest::mousePress(&toggle, Qt::LeftButton);

    QCOMPARE(spy.count(), 3);
    const QList<bool> states = {true, false, true};
    for (int i = 0; i < spy.count(); ++i) {
        QCOMPARE(spy.at(i).at(0).value<quint32>(), quint32(16));
        QCOMPARE(spy.at(i).at(1).toBool(), states.at(i));
    }
}

void TestDisplayWidgets::toggleSettingTheSameStateEmitsNothing()
{
    QToggleButton toggle(1, QStringLiteral("Exposure"));
    QSignalSpy spy(&toggle, &QToggleButton::toggle);
    toggle.setChecked(false);
    QCOMPARE(spy.count(), 0);
    toggle.setChecked(true);
    toggle.setChecked(true);
    QCOMPARE(spy.count(), 1);
}

void TestDisplayWidgets::toggleRestoresTheEarlierStyleSheet()
{
    QToggleButton toggle(2, QStringLiteral("Gain"));
    const QString earlier = QStringLiteral("QCheckBox { color: rgb(1, 2, 3); }");
    toggle.setStyleSheet(earlier);

    toggle.setChecked(true);
    QCOMPARE(toggle.styleSheet(),
             QStringLiteral("QCheckBox:enabled {background-color: #55B3FF; color: "
                            "white;border-color: #4196EB;} QCheckBox:disabled { "
                            "background-color: #4196EB; color: white;border-color: #2074C9; } "));
    toggle.setChecked(false);
    QCOMPARE(toggle.styleSheet(), earlier);

    // A second round must not take the checked sheet for the earlier one.
    toggle.setChecked(true);
    toggle.setChecked(false);
    QCOMPARE(toggle.styleSheet(), earlier);
}

void TestDisplayWidgets::toggleCannotTakeFocus()
{
    QToggleButton toggle(8, QStringLiteral("AOI Offset Y"));
    QCOMPARE(toggle.focusPolicy(), Qt::NoFocus);
}

QTEST_MAIN(TestDisplayWidgets)
#include "tst_displaywidgets.moc"
