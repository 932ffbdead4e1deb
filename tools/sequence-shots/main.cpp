// Builds a sequence of three sets with different exposures in the main
// window, photographs the editor, starts the sequence and photographs the
// screen a few hundred milliseconds apart while it runs.
// Usage: vyra-sequence-shots <output-dir> [shots] [interval-ms]

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

#include <cstdio>
#include <functional>

#include "mainwindow.h"
#include "qtogglebutton.h"
#include "sequencerset.h"
#include "sequencerworkspace.h"
#include "sequencerworkspaceview.h"
#include "vyracameradialog.h"

namespace {

// The camera dialog comes up inside the window's constructor: take the first
// camera as soon as it shows.
void chooseFirstCameraWhenAsked()
{
    auto *timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, [timer] {
        auto *dialog = qobject_cast<VyraCameraDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        timer->stop();
        timer->deleteLater();
        if (auto *table = dialog->findChild<QTableView *>(QStringLiteral("tableView")))
            table->selectRow(0);
        dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    });
    timer->start(50);
}

void save(const QString &path)
{
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
    if (shot.save(path))
        std::printf("%s\n", qPrintable(path));
    else
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
}

// Runs step after delayMs of event processing.
void after(int delayMs, std::function<void()> step)
{
    QTimer::singleShot(delayMs, qApp, std::move(step));
}

QAction *action(QWidget *window, const char *name)
{
    return window->findChild<QAction *>(QString::fromLatin1(name));
}

void checkFeature(QWidget *window, const QString &name)
{
    for (QToggleButton *toggle : window->findChildren<QToggleButton *>()) {
        if (toggle->text() == name)
            toggle->setChecked(true);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() < 2) {
        std::fprintf(stderr, "usage: vyra-sequence-shots <output-dir> [shots] [interval-ms]\n");
        return 2;
    }
    const QDir out(arguments.at(1));
    const int shots = arguments.value(2, QStringLiteral("6")).toInt();
    const int intervalMs = arguments.value(3, QStringLiteral("300")).toInt();

    chooseFirstCameraWhenAsked();
    MainWindow window;
    window.resize(1200, 700);
    window.move(0, 0);
    window.show();

    const QList<double> exposures = {5.0, 15.0, 30.0};
    after(1000, [&] {
        checkFeature(&window, QStringLiteral("Exposure"));
        checkFeature(&window, QStringLiteral("Gain"));
        for (int i = 0; i < exposures.size(); ++i)
            action(&window, "action_addsequence")->trigger();
    });
    after(1500, [&] {
        const QList<SequencerSet *> sets =
            window.findChild<SequencerWorkspaceView *>()->workspace()->sets();
        for (SequencerSet *set : sets) {
            if (auto *box = set->findChild<QDoubleSpinBox *>())
                box->setValue(exposures.value(set->index()));
        }
        // Focus the middle set, so the picture shows its look.
        if (sets.size() > 1)
            sets.at(1)->findChild<QDoubleSpinBox *>()->setFocus(Qt::MouseFocusReason);
        for (SequencerSet *set : sets)
            std::printf("set %d: %d x %d\n", set->index(), set->width(), set->height());
    });
    after(2500, [&] { save(out.filePath(QStringLiteral("sequence-editor.png"))); });
    after(2600, [&] { action(&window, "action_run")->setChecked(true); });
    for (int shot = 0; shot < shots; ++shot) {
        after(3600 + shot * intervalMs, [&, shot] {
            save(out.filePath(QStringLiteral("sequence-running-%1.png").arg(shot)));
        });
    }
    after(3800 + shots * intervalMs, [] { QCoreApplication::quit(); });
    return application.exec();
}
