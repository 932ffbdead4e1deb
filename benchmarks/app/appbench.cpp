// Measures the whole application on the simulated camera, as a person runs
// it: the main window with the camera dialog answered at once, driven
// through its actions and dialogs. One measurement per run; each prints one
// line of a Markdown table. scripts/app-benchmarks.sh runs them all under
// Xvfb and writes the tables.
//
//   appbench live <device> <fps|max> <dock width> <seconds>
//   appbench sequence <sets> <fps> <seconds>
//   appbench exposure-views <all|none|histogram,clippingMarks,hdr,radiance> <fps|max> <seconds>
//   appbench record <device> <fps|max> <tiff|png> <seconds> <folder>
//   appbench record-sequence <sets> <fps> <tiff|png|tiff+hdr|png+hdr> <seconds> <folder>
//     (+hdr: with the fused image of each cycle)
//   appbench record-exposures <ms,ms,...> <fps|max> <tiff|png> <seconds> <folder>
//     (a sequence of one set per exposure, beside vyra-sequencer-run recording
//     the same: scripts/measure-runner.sh)
//   appbench full-speed <ms,ms,...> <fps|max> <full|image size profile> <tiff|png> <seconds> <folder>
//     (recorded at the camera's own speed: images by its clock, labels read
//     from each image's stamp; then live video at the same rate)
//   appbench startup
//   appbench memory <live seconds> <start/stop cycles> <dialog openings>

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTableView>
#include <QTextStream>
#include <QTimer>

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>

#include "acquisitiondialog.h"
#include "framestamp.h"
#include "hdrdock.h"
#include "imagesizedialog.h"
#include "mainwindow.h"
#include "qdisplaywidget.h"
#include "qtogglebutton.h"
#include "recorddialog.h"
#include "sequencerset.h"
#include "sequencerworkspace.h"
#include "sequencerworkspaceview.h"
#include "simcontrol.h"
#include "vyracameradialog.h"

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double residentMiB()
{
    long pages = 0;
    long resident = 0;
    if (FILE *statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Bytes the program holds on the heap, whatever the allocator keeps besides.
double heapMiB()
{
    return double(mallinfo2().uordblks) / (1024.0 * 1024.0);
}

qint64 epochMs()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// Lets the event loop run for ms milliseconds.
void run(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop until done() holds, at most timeoutMs.
bool waitFor(const std::function<bool()> &done, int timeoutMs = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < timeoutMs)
        run(5);
    return done();
}

// Picks the camera with this device ID in the camera dialog as soon as it
// shows; the dialog comes up inside the window's constructor.
void chooseCameraWhenAsked(int deviceId)
{
    auto *timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, [timer, deviceId] {
        auto *dialog = qobject_cast<VyraCameraDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        auto *table = dialog->findChild<QTableView *>(QStringLiteral("tableView"));
        for (int row = 0; row < table->model()->rowCount(); ++row) {
            if (table->model()->index(row, 2).data().toInt() == deviceId)
                table->selectRow(row);
        }
        if (!table->selectionModel()->hasSelection())
            return;
        timer->stop();
        timer->deleteLater();
        dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    });
    timer->start(10);
}

/// The window and what the measurements look at.
class Application
{
public:
    explicit Application(int deviceId) : answered((chooseCameraWhenAsked(deviceId), true))
    {
        window.resize(1900, 1000);
        window.move(0, 0);
        window.show();
        display = window.findChild<QDisplayWidget *>(QStringLiteral("cameraview"));
        QObject::connect(display, &QDisplayWidget::imageShown,
                         [this](const QSharedPointer<QImage> &image) { onImageShown(image); });
    }

    QAction *action(const char *name) { return window.findChild<QAction *>(name); }

    QList<SequencerSet *> sets()
    {
        return window.findChild<SequencerWorkspaceView *>()->workspace()->sets();
    }

    void checkFeature(const QString &name)
    {
        for (QToggleButton *toggle : window.findChildren<QToggleButton *>()) {
            if (toggle->text() == name)
                toggle->setChecked(true);
        }
    }

    void setDockWidth(int width)
    {
        auto *dock = window.findChild<QDockWidget *>(QStringLiteral("dw_cameraview"));
        window.resizeDocks({dock}, {width}, Qt::Horizontal);
        run(200);
    }

    /// Sets the frame rate through the Acquisition dialog, as a person
    /// would; a negative rate asks for the highest the dialog offers.
    double setFramerate(double fps)
    {
        action("action_settings")->trigger();
        auto *dialog = window.findChild<AcquisitionDialog *>();
        auto *box = dialog->findChild<QDoubleSpinBox *>(QStringLiteral("framerate_value"));
        box->setValue(fps < 0 ? box->maximum() : fps);
        const double set = box->value();
        dialog->close();
        run(100);
        return set;
    }

    /// The sequencer set named in the stamp of the image, -1 if unreadable.
    static int stampedSet(const QImage &image)
    {
        const int scale = VyraSim::FrameStamp::cornerScale(image.width());
        const std::string text = VyraSim::FrameStamp::read(
            image.constBits(), image.bytesPerLine(), image.width(), image.height(), 0, 0, 24, scale);
        // "FRAME n SET s", then whatever the image holds beyond the stamp.
        const size_t at = text.find("SET ");
        if (at == std::string::npos)
            return -1;
        const size_t digits = text.find_first_not_of("0123456789", at + 4);
        const std::string set = text.substr(at + 4, digits - (at + 4));
        return set.empty() ? -1 : std::stoi(set);
    }

    int highlighted()
    {
        for (SequencerSet *set : sets()) {
            // The mark draws the focused title and the hovered frame; the
            // focus alone draws the title only.
            const QString look = set->styleSheet();
            if (look.contains(QLatin1String("background-color: rgb(85, 170, 255)")) &&
                look.contains(QLatin1String("border-right: 1px solid rgb(65, 150, 235)")))
                return set->index();
        }
        return -1;
    }

    void onImageShown(const QSharedPointer<QImage> &image)
    {
        ++shown;
        if (firstShownMs == 0)
            firstShownMs = epochMs();
        if (checkHighlight) {
            ++checked;
            matched += stampedSet(*image) == highlighted();
        }
    }

    // The camera dialog shows while the window is built: the answer is set up
    // before.
    bool answered;
    MainWindow window;
    QDisplayWidget *display = nullptr;
    int shown = 0;
    qint64 firstShownMs = 0;
    bool checkHighlight = false;
    int checked = 0;
    int matched = 0;
};

/// Images shown per second and CPU time per second over seconds.
struct Rates
{
    double imagesPerSecond = 0;
    double cpuPercent = 0;
};

Rates measure(Application &app, int seconds)
{
    run(1000);
    const int shownBefore = app.shown;
    const double cpuBefore = cpuSeconds();
    QElapsedTimer timer;
    timer.start();
    run(seconds * 1000);
    const double elapsed = double(timer.nsecsElapsed()) / 1e9;
    return {(app.shown - shownBefore) / elapsed, 100.0 * (cpuSeconds() - cpuBefore) / elapsed};
}

double cameraFramerate()
{
    const auto handles = VyraSim::Control::openHandles();
    return handles.empty() ? 0.0 : VyraSim::Control::openCameraState(handles.front())->frameRate;
}

int live(const QStringList &arguments)
{
    const int device = arguments.value(2).toInt();
    const QString requested = arguments.value(3);
    const int dock = arguments.value(4).toInt();
    const int seconds = arguments.value(5, QStringLiteral("10")).toInt();
    Application app(device);
    if (!waitFor([&] { return app.shown > 0; }))
        return 1;
    app.setDockWidth(dock);
    app.setFramerate(requested == QLatin1String("max") ? -1.0 : requested.toDouble());
    const auto state = *VyraSim::Control::openCameraState(VyraSim::Control::openHandles().front());
    const Rates rates = measure(app, seconds);
    std::printf("| %d x %d | %s | %.2f | %d | %.1f | %.1f |\n", state.aoi.width, state.aoi.height,
                qPrintable(requested), cameraFramerate(), app.display->width(),
                rates.imagesPerSecond, rates.cpuPercent);
    return 0;
}

// Exposures that differ from set to set: 2, 3, 4, ... ms.
QList<double> steppedExposures(int count)
{
    QList<double> exposures;
    for (int set = 0; set < count; ++set)
        exposures << 2.0 + set;
    return exposures;
}

// A sequence of one set per exposure, varying Exposure.
void buildSequence(Application &app, const QList<double> &exposures)
{
    app.checkFeature(QStringLiteral("Exposure"));
    for (int i = 0; i < exposures.size(); ++i)
        app.action("action_addsequence")->trigger();
    for (SequencerSet *set : app.sets())
        set->findChild<QDoubleSpinBox *>()->setValue(exposures.at(set->index()));
}

// Runs a sequence of one set per exposure live at fps, once the first image
// is shown.
bool startSequence(Application &app, const QList<double> &exposures, double fps)
{
    if (!waitFor([&] { return app.shown > 0; }))
        return false;
    app.setDockWidth(400);
    buildSequence(app, exposures);
    // The Sequencer Rate box, as a person sets it before the start: a rate
    // kept from an earlier run must not stand in for the one asked for.
    auto *rate = app.window.findChild<QDoubleSpinBox *>(QStringLiteral("sb_sequencerframerate"));
    rate->setValue(fps < 0 ? rate->maximum() : fps);
    app.action("action_run")->setChecked(true);
    return true;
}

int sequence(const QStringList &arguments)
{
    const int count = arguments.value(2).toInt();
    const double fps = arguments.value(3).toDouble();
    const int seconds = arguments.value(4, QStringLiteral("10")).toInt();
    Application app(1);
    if (!startSequence(app, steppedExposures(count), fps))
        return 1;
    run(1000);
    app.checkHighlight = true;
    const Rates rates = measure(app, seconds);
    std::printf("| %d | %.0f | %.2f | %.1f | %d of %d | %.1f |\n", count, fps, cameraFramerate(),
                rates.imagesPerSecond, app.matched, app.checked, rates.cpuPercent);
    return app.matched == app.checked ? 0 : 1;
}

// A three-set sequence with some of the histogram, the clipping marks and
// the high dynamic range view shown: "all", "none" or a list such as
// "histogram,hdr"; "radiance" shows the view with the radiance rather than
// the fused picture. fps "max" runs the sequence as fast as the run allows.
int exposureViews(const QStringList &arguments)
{
    const QString views = arguments.value(2);
    const QString requested = arguments.value(3);
    const int seconds = arguments.value(4, QStringLiteral("10")).toInt();
    Application app(1);
    if (!startSequence(app, steppedExposures(3), 5.0))
        return 1;
    const double fps =
        app.setFramerate(requested == QLatin1String("max") ? -1.0 : requested.toDouble());
    const QStringList shown = views.split(QLatin1Char(','));
    const bool radiance = shown.contains(QStringLiteral("radiance"));
    for (const QString &name : {QStringLiteral("histogram"), QStringLiteral("clippingMarks"),
                                QStringLiteral("hdr")}) {
        QAction *view = app.window.findChild<QAction *>(QStringLiteral("action_") + name);
        const bool on = views == QLatin1String("all") || shown.contains(name) ||
                        (radiance && name == QLatin1String("hdr"));
        if (view && view->isChecked() != on)
            view->trigger();
    }
    auto *dock = app.window.findChild<HdrDock *>();
    dock->setView(radiance ? HdrDock::View::Radiance : HdrDock::View::Fused);
    run(1000);
    const quint64 shownBefore = dock->shownCount();
    const quint64 skippedBefore = dock->skippedCount();
    const Rates rates = measure(app, seconds);
    // measure() waits a second before it counts; the dock's counts span both.
    const quint64 cyclesShown = dock->shownCount() - shownBefore;
    const quint64 cycles = cyclesShown + dock->skippedCount() - skippedBefore;
    std::printf("| %s | %.1f | %.1f | %.2f | %llu of %llu | %.1f |\n", qPrintable(views), fps,
                rates.imagesPerSecond, double(cyclesShown) / (seconds + 1),
                static_cast<unsigned long long>(cyclesShown),
                static_cast<unsigned long long>(cycles), rates.cpuPercent);
    return 0;
}

/// Fills in the Record dialog as soon as it shows: until stopped, in this
/// format, into folder.
void answerRecordDialog(const QString &folder, const QString &format)
{
    auto *timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, [timer, folder, format] {
        auto *dialog = qobject_cast<RecordDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        timer->stop();
        timer->deleteLater();
        dialog->findChild<QLineEdit *>(QStringLiteral("le_folder"))->setText(folder);
        dialog->findChild<QComboBox *>(QStringLiteral("cb_format"))
            ->setCurrentIndex(format.startsWith(QLatin1String("png")) ? 1 : 0);
        if (auto *fuse = dialog->findChild<QCheckBox *>(QStringLiteral("cb_fuse")))
            fuse->setChecked(format.endsWith(QLatin1String("+hdr")));
        dialog->findChild<QRadioButton *>(QStringLiteral("rb_untilStopped"))->setChecked(true);
        dialog->accept();
    });
    timer->start(10);
}

/// What a recording left in its folder.
struct Recorded
{
    int images = 0;
    qint64 bytes = 0;
    /// Frames between the first and the last image written that are missing.
    qint64 lost = 0;
    /// When the first image file was complete, ms since the epoch; 0 for none.
    qint64 firstWrittenMs = 0;
};

Recorded recordedIn(const QString &parent)
{
    Recorded recorded;
    const QDir base(parent);
    for (const QString &name : base.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QDir folder(base.filePath(name));
        for (const QFileInfo &file : folder.entryInfoList(QDir::Files)) {
            if (file.fileName().startsWith(QLatin1String("cycle-"))) {
                ++recorded.images;
                recorded.bytes += file.size();
                const qint64 written = file.lastModified().toMSecsSinceEpoch();
                if (recorded.firstWrittenMs == 0 || written < recorded.firstWrittenMs)
                    recorded.firstWrittenMs = written;
            }
        }
        // The driver numbers every frame the sensor took: the rows' frame
        // numbers show the gaps.
        QFile list(folder.filePath(QStringLiteral("images.csv")));
        if (!list.open(QIODevice::ReadOnly))
            continue;
        QTextStream rows(&list);
        rows.readLine();
        qint64 first = -1;
        qint64 last = -1;
        qint64 count = 0;
        while (!rows.atEnd()) {
            const QString field = rows.readLine().section(QLatin1Char(','), 3, 3);
            // A fused image has no frame of its own.
            if (field.isEmpty())
                continue;
            const qint64 frame = field.toLongLong();
            first = first < 0 ? frame : std::min(first, frame);
            last = std::max(last, frame);
            ++count;
        }
        if (count > 0)
            recorded.lost += last - first + 1 - count;
    }
    return recorded;
}

VyraSim::OpenCameraState cameraState()
{
    const auto handles = VyraSim::Control::openHandles();
    return handles.empty() ? VyraSim::OpenCameraState()
                           : *VyraSim::Control::openCameraState(handles.front());
}

/// A recording through the window's Record command.
struct Recording
{
    quint64 delivered = 0;
    quint64 droppedByDriver = 0;
    int droppedByQueue = 0;
    Recorded recorded;
    /// From Record to Stop.
    double recordingSeconds = 0.0;
    /// From Record until everything taken was written.
    double totalSeconds = 0.0;
    /// When Record was pressed, ms since the epoch.
    qint64 pressedMs = 0;
    double cpuPercent = 0.0;
};

/// Records for seconds through the window's Record command; false when the
/// recording did not end. inspect, if given, sees each recording's folder
/// before it is deleted.
bool recordFor(Application &app, const QString &format, int seconds, const QString &folder,
               Recording &recording,
               const std::function<void(const QDir &)> &inspect = nullptr)
{
    // A box at the end says how many images the writer's queue dropped; it
    // is answered at once.
    QTimer boxes;
    QObject::connect(&boxes, &QTimer::timeout, [&recording] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            const QRegularExpression dropped(QStringLiteral("([0-9]+) images were dropped"));
            recording.droppedByQueue = dropped.match(box->text()).captured(1).toInt();
            box->accept();
        }
    });
    boxes.start(50);
    run(1000);
    answerRecordDialog(folder, format);
    const double cpuBefore = cpuSeconds();
    const VyraSim::OpenCameraState before = cameraState();
    QElapsedTimer timer;
    timer.start();
    recording.pressedMs = epochMs();
    app.action("action_record")->trigger();
    run(seconds * 1000);
    app.action("action_record")->trigger();
    const VyraSim::OpenCameraState after = cameraState();
    recording.delivered = after.framesDelivered - before.framesDelivered;
    recording.droppedByDriver = after.framesDropped - before.framesDropped;
    recording.recordingSeconds = double(timer.nsecsElapsed()) / 1e9;
    recording.cpuPercent = 100.0 * (cpuSeconds() - cpuBefore) / recording.recordingSeconds;
    auto *progress = app.window.statusBar()->findChild<QLabel *>(QStringLiteral("recordingProgress"));
    if (!waitFor([&] { return progress && !progress->isVisible(); }, 600000))
        return false;
    recording.totalSeconds = double(timer.nsecsElapsed()) / 1e9;
    recording.recorded = recordedIn(folder);
    if (inspect) {
        const QDir base(folder);
        for (const QString &name : base.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            inspect(QDir(base.filePath(name)));
    }
    QDir(folder).removeRecursively();
    return true;
}

/// What the images of a recorded sequence say about their labels and the
/// camera's clock.
struct LabelCheck
{
    int images = 0;
    /// Images whose stamp names another set than their row.
    int mislabelled = 0;
    /// Images the camera's clock says were taken between the first and the
    /// last at the frame rate.
    qint64 expectedByClock = 0;
};

LabelCheck checkLabels(const QDir &folder, double fps)
{
    LabelCheck check;
    QFile list(folder.filePath(QStringLiteral("images.csv")));
    if (!list.open(QIODevice::ReadOnly))
        return check;
    QTextStream rows(&list);
    rows.readLine();
    qint64 firstUs = -1;
    qint64 lastUs = -1;
    while (!rows.atEnd()) {
        const QStringList fields = rows.readLine().split(QLatin1Char(','));
        if (fields.size() < 5 || fields.at(3).isEmpty())
            continue;
        ++check.images;
        const qint64 us = fields.at(4).toLongLong();
        firstUs = firstUs < 0 ? us : std::min(firstUs, us);
        lastUs = std::max(lastUs, us);
        const QImage image(folder.filePath(fields.at(0)));
        if (Application::stampedSet(image.convertToFormat(QImage::Format_RGB888)) !=
            fields.at(2).toInt())
            ++check.mislabelled;
    }
    if (firstUs >= 0)
        check.expectedByClock = qRound64(double(lastUs - firstUs) * fps / 1e6) + 1;
    return check;
}

/// Picks the Image Size dialog's profile whose caption starts with caption.
bool chooseImageProfile(Application &app, const QString &caption)
{
    app.action("action_imagesize")->trigger();
    auto *dialog = app.window.findChild<QDialog *>(QStringLiteral("ImageSizeDialog"));
    auto *profiles = dialog ? dialog->findChild<QComboBox *>(QStringLiteral("profile")) : nullptr;
    const int index = profiles ? profiles->findText(caption, Qt::MatchStartsWith) : -1;
    if (index >= 0) {
        profiles->setCurrentIndex(index);
        emit profiles->activated(index);
    }
    if (dialog)
        dialog->close();
    run(200);
    return index >= 0;
}

/// Records for seconds and prints a table row: images the camera delivered,
/// written, lost, MB/s and CPU.
int recordAndPrint(Application &app, const QString &what, const QString &format, int seconds,
                   const QString &folder)
{
    Recording recording;
    if (!recordFor(app, format, seconds, folder, recording))
        return 1;
    std::printf("| %s | %s | %llu | %d | %lld | %d | %llu | %.1f | %.1f | %.1f |\n",
                qPrintable(what), qPrintable(format.toUpper()),
                static_cast<unsigned long long>(recording.delivered), recording.recorded.images,
                static_cast<long long>(recording.recorded.lost), recording.droppedByQueue,
                static_cast<unsigned long long>(recording.droppedByDriver),
                double(recording.recorded.bytes) / 1e6 / recording.totalSeconds,
                recording.totalSeconds - recording.recordingSeconds, recording.cpuPercent);
    return 0;
}

int record(const QStringList &arguments)
{
    const int device = arguments.value(2).toInt();
    const QString requested = arguments.value(3);
    const QString format = arguments.value(4);
    const int seconds = arguments.value(5, QStringLiteral("60")).toInt();
    const QString folder = arguments.value(6);
    VyraSim::Control::setCallLogEnabled(false);
    Application app(device);
    if (!waitFor([&] { return app.shown > 0; }))
        return 1;
    app.setDockWidth(400);
    const double fps = app.setFramerate(requested == QLatin1String("max") ? -1.0 : requested.toDouble());
    const auto state = *VyraSim::Control::openCameraState(VyraSim::Control::openHandles().front());
    return recordAndPrint(app,
                     QStringLiteral("live %1 x %2 at %3 fps")
                         .arg(state.aoi.width)
                         .arg(state.aoi.height)
                         .arg(fps, 0, 'f', 1),
                     format, seconds, folder);
}

int recordSequence(const QStringList &arguments)
{
    const int count = arguments.value(2).toInt();
    const double fps = arguments.value(3).toDouble();
    const QString format = arguments.value(4);
    const int seconds = arguments.value(5, QStringLiteral("60")).toInt();
    const QString folder = arguments.value(6);
    VyraSim::Control::setCallLogEnabled(false);
    Application app(1);
    if (!startSequence(app, steppedExposures(count), fps))
        return 1;
    return recordAndPrint(app, QStringLiteral("%1-set sequence at %2 images/s").arg(count).arg(fps),
                     format, seconds, folder);
}

// The window recording a sequence of one set per exposure, as
// vyra-sequencer-run records it: a row of scripts/measure-runner.sh's table.
int recordExposures(const QStringList &arguments)
{
    QList<double> exposures;
    for (const QString &exposure : arguments.value(2).split(QLatin1Char(',')))
        exposures << exposure.toDouble();
    // "max": the highest rate the Acquisition dialog offers while it runs.
    const double fps = arguments.value(3) == QLatin1String("max") ? -1.0 : arguments.value(3).toDouble();
    const QString format = arguments.value(4);
    const int seconds = arguments.value(5, QStringLiteral("60")).toInt();
    const QString folder = arguments.value(6);
    VyraSim::Control::setCallLogEnabled(false);
    Application app(1);
    if (!startSequence(app, exposures, fps))
        return 1;
    Recording recording;
    if (!recordFor(app, format, seconds, folder, recording))
        return 1;
    const qint64 first = recording.recorded.firstWrittenMs;
    std::printf("| window (Record..., sequence running) | %d | %d | %lld | %s | %.1f |\n",
                recording.recorded.images, recording.droppedByQueue,
                static_cast<long long>(recording.recorded.lost),
                first > 0 ? qPrintable(QString::number(double(first - recording.pressedMs) / 1000.0,
                                                       'f', 2))
                          : "none",
                recording.cpuPercent);
    return 0;
}

// A sequence of one set per exposure at fps ("max": the camera's highest
// rate for it) on the whole sensor or the Image Size profile named, recorded
// for seconds: the images the camera's clock says were taken, delivered,
// written, lost, mislabelled (their stamp names another set), CPU; then live
// video at the same rate for as long: images shown and CPU.
int fullSpeed(const QStringList &arguments)
{
    QList<double> exposures;
    for (const QString &exposure : arguments.value(2).split(QLatin1Char(',')))
        exposures << exposure.toDouble();
    const QString requested = arguments.value(3);
    const QString profile = arguments.value(4);
    const QString format = arguments.value(5);
    const int seconds = arguments.value(6, QStringLiteral("60")).toInt();
    const QString folder = arguments.value(7);
    VyraSim::Control::setCallLogEnabled(false);
    Application app(1);
    if (!waitFor([&] { return app.shown > 0; }))
        return 1;
    if (profile != QLatin1String("full") && !chooseImageProfile(app, profile))
        return 1;
    if (!startSequence(app, exposures, requested == QLatin1String("max") ? -1.0 : requested.toDouble()))
        return 1;
    run(1000);
    const double fps = cameraFramerate();
    Recording recording;
    LabelCheck labels;
    if (!recordFor(app, format, seconds, folder, recording,
                   [&](const QDir &recorded) { labels = checkLabels(recorded, fps); }))
        return 1;
    app.action("action_run")->setChecked(false);
    app.setFramerate(fps);
    const Rates live = measure(app, seconds);
    const auto state = cameraState();
    std::printf("| %d x %d | %.2f | %lld | %llu | %lld | %d | %d | %.1f | %.1f | %.1f |\n",
                state.aoi.width, state.aoi.height, fps,
                static_cast<long long>(labels.expectedByClock),
                static_cast<unsigned long long>(recording.delivered),
                static_cast<long long>(recording.recorded.lost), labels.images,
                labels.mislabelled, recording.cpuPercent, live.imagesPerSecond, live.cpuPercent);
    return labels.mislabelled == 0 && recording.recorded.lost == 0 ? 0 : 1;
}

int startup()
{
    Application app(1);
    if (!waitFor([&] { return app.shown > 0; }))
        return 1;
    std::printf("%lld\n", static_cast<long long>(app.firstShownMs));
    return 0;
}

/// Resident and heap memory at rest: the least of samples over a second, so
/// that images on their way to the screen (3.75 MiB each at 1280 x 1024) do
/// not count.
struct Usage
{
    Usage()
    {
        for (int sample = 0; sample < 50; ++sample) {
            resident = std::min(resident, residentMiB());
            heap = std::min(heap, heapMiB());
            run(20);
        }
    }

    double resident = 1e12;
    double heap = 1e12;
};

void printGrowth(const QString &what, const Usage &before, const Usage &after)
{
    std::printf("| %s | %.1f MiB | %+.2f MiB | %+.2f MiB |\n", qPrintable(what), after.resident,
                after.resident - before.resident, after.heap - before.heap);
}

int memory(const QStringList &arguments)
{
    const int liveSeconds = arguments.value(2, QStringLiteral("600")).toInt();
    const int cycles = arguments.value(3, QStringLiteral("1000")).toInt();
    const int openings = arguments.value(4, QStringLiteral("200")).toInt();
    // The simulated driver's call log, a test instrument no real driver has,
    // would otherwise fill up to its bound of records during the run.
    VyraSim::Control::setCallLogEnabled(false);
    Application app(1);
    if (!waitFor([&] { return app.shown > 0; }))
        return 1;
    buildSequence(app, steppedExposures(3));
    QAction *runAction = app.action("action_run");

    // Each figure is taken after one round of warming up, so that caches
    // and pools that fill once do not count as growth.
    const auto cycle = [&] {
        runAction->setChecked(true);
        run(1);
        runAction->setChecked(false);
    };
    cycle();
    const Usage beforeCycles;
    for (int i = 0; i < cycles; ++i)
        cycle();
    run(500);
    printGrowth(QStringLiteral("%1 Start/Stop cycles").arg(cycles), beforeCycles, Usage());

    const auto open = [&](const char *command) {
        app.action(command)->trigger();
        run(1);
        for (QDialog *dialog : app.window.findChildren<QDialog *>()) {
            if (qobject_cast<AcquisitionDialog *>(dialog) || qobject_cast<ImageSizeDialog *>(dialog))
                dialog->close();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    for (const char *command : {"action_settings", "action_imagesize"}) {
        open(command);
        const Usage before;
        for (int i = 0; i < openings; ++i)
            open(command);
        run(500);
        printGrowth(QStringLiteral("%1 openings of %2")
                        .arg(openings)
                        .arg(app.action(command)->text()),
                    before, Usage());
    }

    runAction->setChecked(true);
    run(10000);
    const Usage liveStart;
    run(liveSeconds * 1000);
    printGrowth(QStringLiteral("%1 s of a live three-set sequence (after 10 s)").arg(liveSeconds),
                liveStart, Usage());
    runAction->setChecked(false);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    const QString mode = arguments.value(1);
    if (mode == QLatin1String("live"))
        return live(arguments);
    if (mode == QLatin1String("sequence"))
        return sequence(arguments);
    if (mode == QLatin1String("exposure-views"))
        return exposureViews(arguments);
    if (mode == QLatin1String("startup"))
        return startup();
    if (mode == QLatin1String("memory"))
        return memory(arguments);
    if (mode == QLatin1String("record"))
        return record(arguments);
    if (mode == QLatin1String("record-sequence"))
        return recordSequence(arguments);
    if (mode == QLatin1String("record-exposures"))
        return recordExposures(arguments);
    if (mode == QLatin1String("full-speed"))
        return fullSpeed(arguments);
    std::fprintf(stderr, "usage: appbench live|sequence|exposure-views|startup|memory|record|"
                         "record-sequence|record-exposures|full-speed ...\n");
    return 2;
}
