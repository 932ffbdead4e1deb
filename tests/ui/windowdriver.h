#pragma once

// Drives the main window in tests: choosing a camera in its dialog, finding
// its actions and toggles, and the actions each state enables.

#include <QAbstractSpinBox>
#include <QAction>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTest>

#include <algorithm>
#include <string>

#include "modalanswerer.h"
#include "offscreenwarnings.h"
#include "qdisplaywidget.h"
#include "qtogglebutton.h"
#include "sequencerproperty.h"
#include "sequencerset.h"
#include "sequencerworkspace.h"
#include "sequencerworkspaceview.h"
#include "simcontrol.h"
#include "vyracameradialog.h"
#include "vyraframeinfo.h"

namespace WindowTest {

using VyraSim::CameraSpec;
using VyraSim::Control;

inline CameraSpec cameraSpec(int32_t deviceId, const std::string &model)
{
    CameraSpec description;
    description.deviceId = deviceId;
    description.cameraId = deviceId;
    description.model = model;
    description.cameraName = model + "-USB";
    description.serialNumber = "41020000" + std::to_string(10 + deviceId);
    description.sensorWidth = 640;
    description.sensorHeight = 480;
    return description;
}

/// Queues picking the camera with this device ID in the camera dialog.
inline void chooseCamera(ModalAnswerer &answerer, int deviceId)
{
    answerer.answer([deviceId](QWidget *widget) {
        auto *table = widget->findChild<QTableView *>(QStringLiteral("tableView"));
        QVERIFY(table);
        for (int row = 0; row < table->model()->rowCount(); ++row) {
            if (table->model()->index(row, 2).data().toInt() == deviceId)
                table->selectRow(row);
        }
        widget->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    });
}

inline void cancelCameraDialog(ModalAnswerer &answerer)
{
    answerer.answer([](QWidget *widget) {
        QVERIFY(qobject_cast<VyraCameraDialog *>(widget));
        widget->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel)->click();
    });
}

QAction *action(QWidget *window, const char *name)
{
    auto *found = window->findChild<QAction *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no action %s", name);
    return found;
}

/// Which camera is open, as the status bar shows it beside passing messages.
inline QString statusText(QMainWindow *window)
{
    const auto *camera = window->statusBar()->findChild<QLabel *>(QStringLiteral("l_camerastatus"));
    return camera ? camera->text() : QString();
}

// The View menu's commands, enabled with or without a camera.
inline const QStringList viewActions = {"action_zoomFit", "action_zoomActual",
                                        "action_clippingMarks", "action_histogram"};

/// The enabled commands that depend on the camera and the run: all but the
/// View menu's.
inline QStringList enabledActions(QWidget *window)
{
    QStringList names;
    for (QAction *each : window->findChildren<QAction *>()) {
        if (!each->objectName().isEmpty() && each->isEnabled() &&
            !viewActions.contains(each->objectName()))
            names << each->objectName();
    }
    names.sort();
    return names;
}

inline QStringList sorted(QStringList names)
{
    names.sort();
    return names;
}

inline const QStringList noCameraActions =
    sorted({"action_opencamera", "action_exitapp", "action_Cameraapplication", "action_Cameraqt",
            "action_saveCameraConfiguration", "action_loadCameraConfiguration", "action_delete"});
// Removed, the camera's commands are off, those of the camera files included.
inline const QStringList removedCameraActions =
    sorted({"action_opencamera", "action_exitapp", "action_Cameraapplication", "action_Cameraqt",
            "action_delete"});
inline const QStringList cameraOpenActions =
    sorted({"action_opencamera", "action_exitapp", "action_Cameraapplication", "action_Cameraqt",
            "action_saveCameraConfiguration", "action_loadCameraConfiguration", "action_delete",
            "action_addsequence", "action_generatesets", "action_load", "action_new", "action_run",
            "action_save", "action_settings", "action_imagesize", "action_sequencerframerate",
            "action_saveImage", "action_record", "action_captureCycle"});

inline QList<QToggleButton *> toggles(QWidget *window)
{
    return window->findChildren<QToggleButton *>();
}

inline bool togglesEnabled(QWidget *window, bool enabled)
{
    const auto all = toggles(window);
    return !all.isEmpty() && std::all_of(all.begin(), all.end(), [enabled](QToggleButton *t) {
        return t->isEnabled() == enabled;
    });
}

inline QList<SequencerSet *> setsOf(QWidget *window)
{
    return window->findChild<SequencerWorkspaceView *>()->workspace()->sets();
}

/// The exposure editor of a set, if it has one.
inline QDoubleSpinBox *exposureBox(SequencerSet *set)
{
    for (SequencerProperty *property : set->properties()) {
        if (property->featureId() == 1)
            return qobject_cast<QDoubleSpinBox *>(property->rows().first().second);
    }
    return nullptr;
}

/// The index of the set marked as the one the camera is using, -1 for none:
/// the mark draws the focused title and the hovered frame (the focus alone
/// draws the title only, and no mouse hovers in these tests).
inline int highlighted(QWidget *window)
{
    for (SequencerSet *set : setsOf(window)) {
        const QString look = set->styleSheet();
        if (look.contains(QLatin1String("background-color: rgb(85, 170, 255)")) &&
            look.contains(QLatin1String("border-right: 1px solid rgb(65, 150, 235)")))
            return set->index();
    }
    return -1;
}

/// An image of a running sequence as the window showed it.
struct ShownImage
{
    quint64 frame = 0;
    int set = VyraFrameInfo::noSet;
    /// The set marked once the image was on screen.
    int marked = -1;
};

/// The next count images of a running sequence the window shows (fewer when
/// 20 s pass first); images taken before the sequence ran are left out.
inline QList<ShownImage> sequenceImagesShown(QWidget *window, int count)
{
    QList<ShownImage> shown;
    QObject receiver;
    QObject::connect(window->findChild<QDisplayWidget *>(), &QDisplayWidget::imageShown, &receiver,
                     [&shown, window](QSharedPointer<QImage> image) {
                         const VyraFrameInfo info = VyraFrameInfo::of(*image);
                         if (info.set != VyraFrameInfo::noSet)
                             shown << ShownImage{info.frameNumber, info.set, highlighted(window)};
                     });
    QDeadlineTimer deadline(20000);
    while (shown.size() < count && !deadline.hasExpired())
        QTest::qWait(5);
    return shown.mid(0, count);
}

/// Whether the images show a sequence going round a ring of setCount sets:
/// each marks the set that took it, and the set moves on by one per frame
/// the camera took. A slow machine shows fewer images than the camera takes
/// (the screen gets the newest), so the frame numbers may leap.
inline bool followsTheRing(const QList<ShownImage> &shown, int setCount)
{
    for (int i = 0; i < shown.size(); ++i) {
        if (shown[i].marked != shown[i].set)
            return false;
        if (i == 0)
            continue;
        const qint64 frames = qint64(shown[i].frame - shown[i - 1].frame);
        if (frames <= 0 || shown[i].set != (shown[i - 1].set + frames) % setCount)
            return false;
    }
    return shown.size() > 1;
}

inline void setFeature(QWidget *window, const QString &name, bool checked)
{
    for (QToggleButton *toggle : toggles(window)) {
        if (toggle->text() == name)
            toggle->setChecked(checked);
    }
}

// What the user sees of the sequence and the run, and which camera is open.
// Path editors are left out: they show the camera's paths.
inline QString summary(QWidget *window, const QString &folder)
{
    QStringList parts;
    for (SequencerSet *set : setsOf(window)) {
        QStringList values;
        for (SequencerProperty *property : set->properties()) {
            for (const SequencerProperty::Row &row : property->rows()) {
                if (auto *box = qobject_cast<QAbstractSpinBox *>(row.second))
                    values << box->text();
                else if (auto *combo = qobject_cast<QComboBox *>(row.second))
                    values << combo->currentText();
            }
        }
        parts << QStringLiteral("%1[%2]").arg(set->title(), values.join(','));
    }
    QStringList checked;
    for (QToggleButton *toggle : toggles(window)) {
        if (toggle->isChecked())
            checked << toggle->text();
    }
    parts << QStringLiteral("features %1").arg(checked.join(','));
    parts << QStringLiteral("run %1 live %2")
                 .arg(action(window, "action_run")->isChecked())
                 .arg(action(window, "action_capture")->isChecked());
    const auto handles = Control::openHandles();
    parts << QStringLiteral("camera %1")
                 .arg(handles.empty() ? -1 : Control::openCameraState(handles.front())->deviceId);
    parts << QStringLiteral("files %1").arg(QDir(folder).entryList(QDir::Files).join(','));
    return parts.join(QLatin1Char(' '));
}

} // namespace WindowTest
