// The live view of the whole application on a GenICam camera: the main
// window as vyra-sequencer builds it, on the driver VYRA_DRIVER chooses
// (scripts/measure-aravis.sh runs it on Aravis' fake GigE camera). The camera
// dialog is answered with the first camera whose model is the first
// argument; after a warm-up it counts, for the given number of seconds, the
// images the Camera Image dock paints (each new image once) and the CPU time
// the process takes, and prints both per second.
// Usage: vyra-liveview MODEL [seconds]

#include <QApplication>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTextStream>
#include <QTimer>

#include <sys/resource.h>

#include "mainwindow.h"
#include "qdisplaywidget.h"

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &time) { return time.tv_sec + time.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

/// Counts the new images a label paints: a paint of the pixmap it painted
/// last is no new image.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QLabel *label) : label_(label) { label->installEventFilter(this); }
    int count() const { return count_; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == label_ && event->type() == QEvent::Paint) {
            const qint64 key = label_->pixmap(Qt::ReturnByValue).cacheKey();
            if (key != 0 && key != lastKey_) {
                lastKey_ = key;
                ++count_;
            }
        }
        return false;
    }

private:
    QLabel *label_;
    qint64 lastKey_ = 0;
    int count_ = 0;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QTextStream out(stdout);
    if (argc < 2) {
        out << "Usage: vyra-liveview MODEL [seconds]\n";
        return 2;
    }
    const QString model = QString::fromLocal8Bit(argv[1]);
    const int seconds = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 20;

    // The camera dialog is modal and comes up inside the window's constructor.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        QWidget *dialog = QApplication::activeModalWidget();
        auto *table =
            dialog ? dialog->findChild<QTableView *>(QStringLiteral("tableView")) : nullptr;
        if (table == nullptr)
            return;
        for (int row = 0; row < table->model()->rowCount(); ++row) {
            if (table->model()->index(row, 3).data().toString() == model) {
                table->selectRow(row);
                dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
                answer.stop();
                return;
            }
        }
    });
    answer.start(200);
    MainWindow window;
    window.resize(1200, 760);
    window.show();
    auto *display = window.findChild<QDisplayWidget *>(QStringLiteral("cameraview"));
    QLabel *label = display ? display->findChild<QLabel *>() : nullptr;
    if (label == nullptr || answer.isActive()) {
        out << "No camera of model " << model << " was opened\n";
        return 1;
    }
    PaintCounter painted(label);

    int startCount = 0;
    double startCpu = 0.0;
    QElapsedTimer clock;
    QTimer::singleShot(5000, [&] {
        startCount = painted.count();
        startCpu = cpuSeconds();
        clock.start();
        QTimer::singleShot(seconds * 1000, [&] {
            const double elapsed = clock.elapsed() / 1000.0;
            out << "images shown per second: "
                << QString::number((painted.count() - startCount) / elapsed, 'f', 1)
                << "\nCPU: " << QString::number(100.0 * (cpuSeconds() - startCpu) / elapsed, 'f', 1)
                << " % of one core\n";
            out.flush();
            application.quit();
        });
    });
    return application.exec();
}
