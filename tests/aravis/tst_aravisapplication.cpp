#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTableView>
#include <QtTest>

#include <memory>

#include "mainwindow.h"
#include "modalanswerer.h"
#include "qdisplaywidget.h"

/// The whole application on Aravis' in-process fake camera, chosen with
/// VYRA_DRIVER=aravis, on a virtual X display: the camera dialog lists the
/// camera, and once it is opened the Camera Image dock shows its live image
/// on the screen.
class TestAravisApplication : public QObject
{
    Q_OBJECT

private slots:
    void showsTheLiveImageOfTheFakeCamera();
};

void TestAravisApplication::showsTheLiveImageOfTheFakeCamera()
{
    ModalAnswerer answerer;
    answerer.answer([](QWidget *dialog) {
        auto *table = dialog->findChild<QTableView *>(QStringLiteral("tableView"));
        QVERIFY(table);
        for (int row = 0; row < table->model()->rowCount(); ++row) {
            if (table->model()->index(row, 3).data().toString() == QLatin1String("Fake"))
                table->selectRow(row);
        }
        QVERIFY(table->selectionModel()->hasSelection());
        dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    });
    auto window = std::make_unique<MainWindow>();
    QCOMPARE(answerer.pendingAnswers(), 0);
    QCOMPARE(answerer.messages.size(), 0);
    // The open camera is shown beside the status bar's passing messages.
    const auto *opened = window->statusBar()->findChild<QLabel *>(QStringLiteral("l_camerastatus"));
    QVERIFY(opened);
    QCOMPARE(opened->text(), QStringLiteral("Fake opened"));
    window->resize(1200, 760);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));

    auto *display = window->findChild<QDisplayWidget *>(QStringLiteral("cameraview"));
    QVERIFY(display);
    auto *label = display->findChild<QLabel *>();
    QVERIFY(label);
    QTRY_VERIFY_WITH_TIMEOUT(!label->pixmap(Qt::ReturnByValue).isNull(), 10000);
    QTest::qWait(500);

    // What a person sees: the screen, and on it the dock's image.
    const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    const QString file = QDir::current().filePath(QStringLiteral("aravis-application.png"));
    QVERIFY(screen.save(file));
    const QRect shown(label->mapToGlobal(QPoint(0, 0)), label->size());
    const QImage image = screen.copy(shown.intersected(screen.rect()));
    QVERIFY(image.width() > 100 && image.height() > 100);
    // Aravis' fake camera draws a diagonal ramp: many grey levels, not a blank dock.
    QSet<int> levels;
    for (int y = 0; y < image.height(); y += 4) {
        for (int x = 0; x < image.width(); x += 4)
            levels.insert(qGray(image.pixel(x, y)));
    }
    QVERIFY2(levels.size() > 32, qPrintable(QString::number(levels.size())));
}

QTEST_MAIN(TestAravisApplication)
#include "tst_aravisapplication.moc"
