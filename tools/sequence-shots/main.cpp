// Builds a sequence of three sets with different exposures in the main
// window, photographs the editor, starts the sequence and photographs the
// screen a few hundred milliseconds apart while it runs (each set's
// thumbnail and the status bar's figures), then the Record dialog, records
// two cycles into <output-dir>/recording and photographs the folder's
// listing.
// With --layout it photographs the editor as a person first sees it instead:
// six sets with all five features in a window of its first-start size, each
// kind of list opened, and an exposure typed beyond the camera's limit.
// With --exposure it photographs a running 2/20/150 ms bracket with the
// histogram (logarithmic), clipping marks and the fused view, then the image
// at 100 % with the pixel under the mouse read out, then the bracket's
// radiance at three exposures of the tone map with its light read out.
// With --generate it photographs the window of a first start, then Generate
// Sets… making a five-set bracket of 1 ms one stop apart (and, on the way, a
// bracket beyond the frame period with gain compensation, and the AOI tiles
// of a 640 x 480 image), the ring in the set titles and the
// status bar, and a set the path leaves out, greyed.
// Usage: vyra-sequence-shots <output-dir> [shots] [interval-ms]
//        vyra-sequence-shots --layout <output-dir>
//        vyra-sequence-shots --exposure <output-dir>
//        vyra-sequence-shots --generate <output-dir>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QCheckBox>
#include <QDockWidget>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTreeView>
#include <QGraphicsProxyWidget>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <cstdio>
#include <functional>

#include "generatesetsdialog.h"
#include "imagesizedialog.h"
#include "mainwindow.h"
#include "qdisplaywidget.h"
#include "qtogglebutton.h"
#include "recorddialog.h"
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
    if (!shot.save(path))
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
}

QList<SequencerSet *> workspaceSets(QWidget *window)
{
    return window->findChild<SequencerWorkspaceView *>()->workspace()->sets();
}

// The set drawn as the one the camera is using, -1 for none.
int highlightedSet(const QList<SequencerSet *> &sets)
{
    for (SequencerSet *set : sets) {
        if (set->styleSheet().contains(QLatin1String("rgb(85, 170, 255)")))
            return set->index();
    }
    return -1;
}

// Mean grey value (0 to 255) of the image shown in the Camera Image dock.
double shownBrightness(QWidget *window)
{
    const auto *display = window->findChild<QDisplayWidget *>(QStringLiteral("cameraview"));
    const QLabel *label = display ? display->findChild<QLabel *>() : nullptr;
    const QImage image = label ? label->pixmap(Qt::ReturnByValue).toImage() : QImage();
    if (image.isNull())
        return 0.0;
    double sum = 0.0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            sum += qGray(image.pixel(x, y));
    }
    return sum / (double(image.width()) * image.height());
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

// The choice box of a set's row with this label.
QComboBox *comboOf(SequencerSet *set, const QString &label)
{
    for (QLabel *each : set->findChildren<QLabel *>()) {
        if (each->text() != label)
            continue;
        for (QComboBox *combo : set->findChildren<QComboBox *>()) {
            if (qAbs(combo->geometry().center().y() - each->geometry().center().y()) < 8)
                return combo;
        }
    }
    return nullptr;
}

// Opens the list, photographs the screen and closes the list again.
void photographList(QComboBox *combo, const QString &path)
{
    if (!combo) {
        std::fprintf(stderr, "no list for %s\n", qPrintable(path));
        return;
    }
    combo->showPopup();
    after(600, [combo, path] {
        save(path);
        std::printf("%s: %d entries, list %d pixels wide\n", qPrintable(QFileInfo(path).fileName()),
                    combo->count(), combo->view()->width());
        combo->hidePopup();
    });
}

int layoutShots(QApplication &application, const QDir &out)
{
    chooseFirstCameraWhenAsked();
    MainWindow window;
    window.show();
    after(1000, [&] {
        window.activateWindow();
        for (const char *name : {"Exposure", "Gain", "AOI Offset X", "AOI Offset Y", "Flash"})
            checkFeature(&window, QString::fromLatin1(name));
        for (int i = 0; i < 6; ++i)
            action(&window, "action_addsequence")->trigger();
    });
    after(2000, [&] {
        save(out.filePath(QStringLiteral("sets.png")));
        std::printf("sets.png: six sets with all five features, window %dx%d\n", window.width(),
                    window.height());
    });
    after(2500, [&] {
        photographList(
            comboOf(workspaceSets(&window).value(1), QStringLiteral("     Trigger source")),
            out.filePath(QStringLiteral("trigger-source-list.png")));
    });
    after(3500, [&] {
        photographList(comboOf(workspaceSets(&window).value(1), QStringLiteral("     Mode")),
                       out.filePath(QStringLiteral("flash-list.png")));
    });
    after(4500, [&] {
        // The last set, scrolled into sight: its list names where the
        // sequence goes after it.
        SequencerSet *last = workspaceSets(&window).value(5);
        QComboBox *next = comboOf(last, QStringLiteral("     Set Next"));
        auto *view = window.findChild<SequencerWorkspaceView *>();
        view->ensureVisible(last->graphicsProxyWidget()->mapRectToScene(next->geometry()));
        photographList(next, out.filePath(QStringLiteral("set-next-list.png")));
    });
    after(5500, [&] {
        // Typed as a person types it, one key after the other.
        SequencerSet *set = workspaceSets(&window).value(1);
        auto *box = set->findChild<QDoubleSpinBox *>();
        window.findChild<SequencerWorkspaceView *>()->ensureVisible(
            set->graphicsProxyWidget()->mapRectToScene(box->geometry()));
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, QStringLiteral("250"));
        QTest::keyClick(box, Qt::Key_Return);
    });
    after(6500, [&] {
        save(out.filePath(QStringLiteral("exposure-limit.png")));
        std::printf("exposure-limit.png: 250 typed into set 1's exposure\n");
    });
    after(7000, [] { QCoreApplication::quit(); });
    return application.exec();
}

} // namespace

// The text of the last label in a dock.
QString dockText(QWidget *window, const char *dock)
{
    const auto labels =
        window->findChild<QDockWidget *>(QString::fromLatin1(dock))->findChildren<QLabel *>();
    return labels.isEmpty() ? QString() : labels.last()->text().replace(QLatin1Char('\n'), QStringLiteral("  "));
}

QString hdrCaption(QWidget *window)
{
    return window->findChild<QLabel *>(QStringLiteral("hdrCaption"))->text();
}

int exposureShots(QApplication &application, const QDir &out)
{
    chooseFirstCameraWhenAsked();
    MainWindow window;
    window.resize(1280, 780);
    window.move(0, 0);
    window.show();
    const QList<double> exposures = {2.0, 20.0, 150.0};
    after(1000, [&] {
        window.activateWindow();
        checkFeature(&window, QStringLiteral("Exposure"));
        for (int i = 0; i < exposures.size(); ++i)
            action(&window, "action_addsequence")->trigger();
    });
    after(1500, [&] {
        for (SequencerSet *set : workspaceSets(&window)) {
            if (auto *box = set->findChild<QDoubleSpinBox *>())
                box->setValue(exposures.value(set->index()));
        }
        // The run rate the tool bar starts with (5 images a second) leaves
        // room for the longest exposure.
        action(&window, "action_run")->setChecked(true);
        action(&window, "action_clippingMarks")->setChecked(true);
        window.findChild<QDockWidget *>(QStringLiteral("dw_histogram"))
            ->findChild<QCheckBox *>()
            ->setChecked(true);
    });
    after(6500, [&] {
        save(out.filePath(QStringLiteral("exposure-bracket.png")));
        std::printf("exposure-bracket.png: %s; %s\n", qPrintable(dockText(&window, "dw_histogram")),
                    qPrintable(hdrCaption(&window)));
        action(&window, "action_clippingMarks")->setChecked(false);
        action(&window, "action_zoomActual")->trigger();
    });
    after(7000, [&] {
        auto *display = window.findChild<QDisplayWidget *>(QStringLiteral("cameraview"));
        const QPoint at = display->rect().center() + QPoint(40, 30);
        QMouseEvent move(QEvent::MouseMove, at, display->mapToGlobal(at), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(display, &move);
    });
    after(7600, [&] {
        save(out.filePath(QStringLiteral("zoom-100.png")));
        std::printf("zoom-100.png: %s\n",
                    qPrintable(window.findChild<QLabel *>(QStringLiteral("pixelReadout"))->text()));
        // The mouse moves on from the camera image to the radiance.
        auto *display = window.findChild<QDisplayWidget *>(QStringLiteral("cameraview"));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(display, &leave);
        action(&window, "action_zoomFit")->trigger();
        window.findChild<QComboBox *>(QStringLiteral("hdrView"))->setCurrentIndex(1);
    });
    // The radiance at three exposures of the tone map: into the highlights,
    // as merged, into the shadows; the light under the mouse read out.
    const QList<QPair<QString, int>> radianceShots = {{QStringLiteral("radiance-highlights.png"), -4},
                                                      {QStringLiteral("radiance.png"), 0},
                                                      {QStringLiteral("radiance-shadows.png"), 4}};
    for (int shot = 0; shot < radianceShots.size(); ++shot) {
        const int at = 8600 + 1500 * shot;
        after(at, [&window, stops = radianceShots.at(shot).second] {
            window.findChild<QSlider *>(QStringLiteral("hdrExposure"))->setValue(4 * stops);
            auto *picture = window.findChild<QWidget *>(QStringLiteral("hdrPicture"));
            const QPoint point = picture->rect().center() + QPoint(picture->width() / 5, 0);
            QMouseEvent move(QEvent::MouseMove, point, picture->mapToGlobal(point), Qt::NoButton,
                             Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(picture, &move);
        });
        after(at + 1000, [&window, &out, name = radianceShots.at(shot).first] {
            save(out.filePath(name));
            std::printf("%s: %s; %s\n", qPrintable(name), qPrintable(hdrCaption(&window)),
                        qPrintable(window.findChild<QLabel *>(QStringLiteral("pixelReadout"))
                                       ->text()));
        });
    }
    after(8600 + 1500 * radianceShots.size(), [] { QCoreApplication::quit(); });
    return application.exec();
}

// Types into a field of the Generate Sets dialog, as a person does.
void typeIn(QWidget *dialog, const char *field, const QString &text)
{
    auto *box = dialog->findChild<QAbstractSpinBox *>(QString::fromLatin1(field));
    box->selectAll();
    QTest::keyClicks(box, text);
}

// Runs step once the window has a visible child of this type, given to it.
template<typename Child> void whenShown(QWidget *window, std::function<void(Child *)> step)
{
    auto *child = window->findChild<Child *>();
    if (child && child->isVisible()) {
        step(child);
        return;
    }
    after(100, [window, step] { whenShown<Child>(window, step); });
}

int generateShots(QApplication &application, const QDir &out)
{
    chooseFirstCameraWhenAsked();
    MainWindow window;
    window.show();
    GenerateSetsDialog *dialog = nullptr;
    after(1500, [&] {
        window.activateWindow();
        save(out.filePath(QStringLiteral("first-start.png")));
        std::printf("first-start.png: window %dx%d\n", window.width(), window.height());
        // An image smaller than the sensor, for the tiles.
        action(&window, "action_imagesize")->trigger();
    });
    whenShown<ImageSizeDialog>(&window, [&](ImageSizeDialog *sizes) {
        sizes->findChild<QSpinBox *>(QStringLiteral("aoi_width"))->setValue(640);
        sizes->findChild<QSpinBox *>(QStringLiteral("aoi_height"))->setValue(480);
        sizes->findChild<QPushButton *>(QStringLiteral("dialog_close"))->click();
        // The dialog runs a loop of its own; the steps below run inside it.
        QTimer::singleShot(0, action(&window, "action_generatesets"), &QAction::trigger);
    });
    whenShown<GenerateSetsDialog>(&window, [&](GenerateSetsDialog *shown) {
        dialog = shown;
        typeIn(dialog, "sb_bracketCount", QStringLiteral("5"));
        typeIn(dialog, "dsb_baseExposure", QStringLiteral("1"));
        typeIn(dialog, "dsb_stepStops", QStringLiteral("1"));
        after(500, [&] {
            save(out.filePath(QStringLiteral("generate-bracket.png")));
            // Six sets from 40 ms: the last needs more gain than the camera has.
            typeIn(dialog, "sb_bracketCount", QStringLiteral("6"));
            typeIn(dialog, "dsb_baseExposure", QStringLiteral("40"));
            dialog->findChild<QCheckBox *>(QStringLiteral("cb_gainCompensation"))->setChecked(true);
        });
        after(1000, [&] {
            save(out.filePath(QStringLiteral("generate-gain-compensation.png")));
            dialog->findChild<QTabWidget *>()->setCurrentIndex(2);
        });
        after(1500, [&] {
            save(out.filePath(QStringLiteral("generate-tiles.png")));
            dialog->findChild<QTabWidget *>()->setCurrentIndex(0);
            dialog->findChild<QCheckBox *>(QStringLiteral("cb_gainCompensation"))
                ->setChecked(false);
            typeIn(dialog, "sb_bracketCount", QStringLiteral("5"));
            typeIn(dialog, "dsb_baseExposure", QStringLiteral("1"));
            dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
        });
        after(2500, [&] {
            save(out.filePath(QStringLiteral("bracket-ring.png")));
            QStringList titles;
            for (SequencerSet *set : workspaceSets(&window))
                titles << set->title();
            std::printf("bracket-ring.png: %s; %s\n", qPrintable(titles.join(QStringLiteral(", "))),
                        qPrintable(window.findChild<QLabel *>(QStringLiteral("l_cycle"))->text()));
            // Set 1 leads past set 2, which the camera then never takes.
            comboOf(workspaceSets(&window).value(1), QStringLiteral("     Set Next"))
                ->setCurrentIndex(3);
        });
        after(3500, [&] {
            save(out.filePath(QStringLiteral("unreached-set.png")));
            std::printf("unreached-set.png: %s\n",
                        qPrintable(window.findChild<QLabel *>(QStringLiteral("l_cycle"))->text()));
            QCoreApplication::quit();
        });
    });
    return application.exec();
}

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() > 2 && arguments.at(1) == QLatin1String("--layout"))
        return layoutShots(application, QDir(arguments.at(2)));
    if (arguments.size() > 2 && arguments.at(1) == QLatin1String("--exposure"))
        return exposureShots(application, QDir(arguments.at(2)));
    if (arguments.size() > 2 && arguments.at(1) == QLatin1String("--generate"))
        return generateShots(application, QDir(arguments.at(2)));
    if (arguments.size() < 2) {
        std::fprintf(stderr, "usage: vyra-sequence-shots <output-dir> [shots] [interval-ms]\n"
                             "       vyra-sequence-shots --layout <output-dir>\n"
                             "       vyra-sequence-shots --exposure <output-dir>\n"
                             "       vyra-sequence-shots --generate <output-dir>\n");
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
        // No window manager runs on the virtual screen to activate the window.
        window.activateWindow();
        checkFeature(&window, QStringLiteral("Exposure"));
        checkFeature(&window, QStringLiteral("Gain"));
        for (int i = 0; i < exposures.size(); ++i)
            action(&window, "action_addsequence")->trigger();
    });
    after(1500, [&] {
        const QList<SequencerSet *> sets = workspaceSets(&window);
        for (SequencerSet *set : sets) {
            if (auto *box = set->findChild<QDoubleSpinBox *>())
                box->setValue(exposures.value(set->index()));
        }
        // Click into the middle set and point at the last one, so the picture
        // shows the focused and the hovered look.
        auto *view = window.findChild<SequencerWorkspaceView *>();
        const auto viewPosition = [view](QWidget *widget) {
            const QPoint inSet = widget->mapTo(widget->window(), widget->rect().center());
            return view->mapFromScene(widget->window()->graphicsProxyWidget()->mapToScene(inSet));
        };
        if (sets.size() > 2) {
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                              viewPosition(sets.at(1)->findChild<QDoubleSpinBox *>()));
            QTest::mouseMove(view->viewport(), viewPosition(sets.at(2)));
        }
    });
    after(2500, [&] {
        save(out.filePath(QStringLiteral("sequence-editor.png")));
        std::printf("sequence-editor.png: three sets with the exposures 5, 15 and 30 ms\n");
    });
    after(2600, [&] { action(&window, "action_run")->setChecked(true); });
    // Each picture is taken a little after the highlight moved: the image
    // that set took arrives just after the mark.
    for (int shot = 0; shot < shots; ++shot) {
        after(3600 + shot * intervalMs, [&, shot] {
            auto *poll = new QTimer(&window);
            const int before = highlightedSet(workspaceSets(&window));
            QObject::connect(poll, &QTimer::timeout, [&, poll, before, shot] {
                const int set = highlightedSet(workspaceSets(&window));
                if (set == before)
                    return;
                poll->deleteLater();
                poll->stop();
                after(20, [&, set, shot] {
                    const QString name = QStringLiteral("sequence-running-%1.png").arg(shot);
                    save(out.filePath(name));
                    std::printf("%s: set %d highlighted (%.0f ms), image brightness %.0f\n",
                                qPrintable(name), set, exposures.value(set),
                                shownBrightness(&window));
                });
            });
            poll->start(2);
        });
    }
    const int recordAt = 4200 + shots * intervalMs;
    after(recordAt, [&] {
        // The dialog is modal: it is filled in and photographed from inside
        // its own event loop.
        after(700, [&] {
            auto *dialog = qobject_cast<RecordDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            dialog->findChild<QLineEdit *>(QStringLiteral("le_folder"))
                ->setText(out.filePath(QStringLiteral("recording")));
            dialog->findChild<QSpinBox *>(QStringLiteral("sb_cycles"))->setValue(2);
            after(300, [&, dialog] {
                save(out.filePath(QStringLiteral("record-dialog.png")));
                std::printf("record-dialog.png: the Record dialog\n");
                dialog->accept();
            });
        });
        action(&window, "action_record")->trigger();
    });
    after(recordAt + 2300, [&] {
        save(out.filePath(QStringLiteral("recording.png")));
        std::printf("recording.png: %s\n", qPrintable(window.statusBar()->findChild<QLabel *>(
                                                  QStringLiteral("recordingProgress"))->text()));
    });
    after(recordAt + 5000, [&] {
        std::printf("status bar: %s\n", qPrintable(window.statusBar()->currentMessage()));
        const QDir parent(out.filePath(QStringLiteral("recording")));
        const QStringList made = parent.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Time);
        const QString folder = made.isEmpty() ? parent.path() : parent.filePath(made.first());
        for (const QFileInfo &file : QDir(folder).entryInfoList(QDir::Files, QDir::Name))
            std::printf("  %-28s %9lld bytes\n", qPrintable(file.fileName()), file.size());
        auto *listing = new QFileDialog(&window, QStringLiteral("Recorded folder"), folder);
        listing->setOption(QFileDialog::DontUseNativeDialog);
        listing->setViewMode(QFileDialog::Detail);
        listing->resize(900, 520);
        listing->show();
        after(800, [&, listing] {
            save(out.filePath(QStringLiteral("recording-folder.png")));
            std::printf("recording-folder.png: the recorded folder\n");
            listing->close();
            QCoreApplication::quit();
        });
    });
    return application.exec();
}
