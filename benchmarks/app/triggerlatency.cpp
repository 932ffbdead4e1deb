// Time from a Trigger press to its image on screen, on whichever driver
// VYRA_DRIVER chooses: the main window opens the first camera of the model
// given, builds three sets with the exposures 5, 15 and 30 ms, starts the
// sequence, switches Live off and presses Trigger as a person would, each
// press once the previous image is on screen and a moment has passed. The
// first press after Live off is reported apart. scripts/app-benchmarks.sh
// runs it on the simulated camera and on Aravis' fake GigE camera.
// Usage: vyra-triggerlatency MODEL [presses]

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>

#include "mainwindow.h"
#include "qdisplaywidget.h"
#include "qtogglebutton.h"
#include "sequencerset.h"
#include "sequencerworkspace.h"
#include "sequencerworkspaceview.h"
#include "vyraframeinfo.h"

namespace {

void run(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool waitFor(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    return done();
}

double percentile(QList<double> values, double share)
{
    std::sort(values.begin(), values.end());
    return values.at(std::min(int(share * values.size()), values.size() - 1));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "Usage: vyra-triggerlatency MODEL [presses]\n");
        return 2;
    }
    const QString model = QString::fromLocal8Bit(argv[1]);
    const int presses = argc > 2 ? std::max(2, atoi(argv[2])) : 50;

    // The camera dialog is modal and comes up inside the window's constructor.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        QWidget *dialog = QApplication::activeModalWidget();
        auto *table = dialog ? dialog->findChild<QTableView *>(QStringLiteral("tableView")) : nullptr;
        for (int row = 0; table && row < table->model()->rowCount(); ++row) {
            if (table->model()->index(row, 3).data().toString() == model) {
                table->selectRow(row);
                dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
                answer.stop();
                return;
            }
        }
    });
    answer.start(50);
    MainWindow window;
    window.resize(1200, 760);
    window.show();
    if (answer.isActive()) {
        std::fprintf(stderr, "No camera of model %s was opened\n", qPrintable(model));
        return 1;
    }

    quint64 shownFrame = 0;
    QObject::connect(window.findChild<QDisplayWidget *>(), &QDisplayWidget::imageShown,
                     [&](const QSharedPointer<QImage> &image) {
                         shownFrame = VyraFrameInfo::of(*image).frameNumber;
                     });
    const auto action = [&](const char *name) { return window.findChild<QAction *>(name); };

    for (QToggleButton *toggle : window.findChildren<QToggleButton *>()) {
        if (toggle->text() == QLatin1String("Exposure"))
            toggle->setChecked(true);
    }
    for (int i = 0; i < 3; ++i)
        action("action_addsequence")->trigger();
    const QList<double> exposures = {5.0, 15.0, 30.0};
    for (SequencerSet *set : window.findChild<SequencerWorkspaceView *>()->workspace()->sets())
        set->findChild<QDoubleSpinBox *>()->setValue(exposures.at(set->index()));
    action("action_run")->trigger();
    run(2000);
    action("action_capture")->trigger();
    run(500);

    QList<double> latencies;
    for (int press = 0; press < presses; ++press) {
        const quint64 before = shownFrame;
        QElapsedTimer clock;
        clock.start();
        action("actionAction_SingleForceTrigger")->trigger();
        if (!waitFor([&] { return shownFrame > before; }, 5000)) {
            std::fprintf(stderr, "press %d showed no image within 5 s\n", press + 1);
            return 1;
        }
        latencies << clock.nsecsElapsed() / 1e6;
        run(150);
    }
    const double first = latencies.takeFirst();
    std::printf("| %s | %d | %.1f | %.1f | %.1f | %.1f |\n", qPrintable(model), presses, first,
                percentile(latencies, 0.5), percentile(latencies, 0.95),
                *std::max_element(latencies.begin(), latencies.end()));
    return 0;
}
