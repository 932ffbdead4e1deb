#include "responsecalibrator.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QtConcurrent>

#include <stdexcept>

#include "messagebox.h"
#include "recordedbracket.h"
#include "responsecalibration.h"

ResponseCalibrator::ResponseCalibrator(QWidget *window, const ResponseStore &store,
                                       CycleSource latestCycle, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_store(store)
    , m_latestCycle(std::move(latestCycle))
    , m_fromCycle(new QAction(tr("Calibrate from the Latest Cycle"), this))
    , m_fromRecording(new QAction(tr("Calibrate from a Recording…"), this))
    , m_forget(new QAction(tr("Forget the Calibrated Response"), this))
{
    const QString still = tr("The scene must stand still while the bracket is taken.");
    m_fromCycle->setToolTip(
        tr("Finds how the camera's values follow light from the latest cycle's images and "
           "keeps it for this camera model. %1")
            .arg(still));
    m_fromRecording->setToolTip(
        tr("Finds how the camera's values follow light from the last complete cycle of a "
           "recording and keeps it for the camera model that recorded it. %1")
            .arg(still));
    m_forget->setToolTip(tr("Merges this camera model's images with the response of its sensor "
                            "model, or a linear one, again"));
    connect(m_fromCycle, &QAction::triggered, this, &ResponseCalibrator::calibrateFromLatestCycle);
    connect(m_fromRecording, &QAction::triggered, this, &ResponseCalibrator::askForRecording);
    connect(m_forget, &QAction::triggered, this, &ResponseCalibrator::forget);
    connect(&m_watcher, &QFutureWatcher<Outcome>::finished, this, &ResponseCalibrator::finished);
    showCommandState();
}

ResponseCalibrator::~ResponseCalibrator()
{
    m_watcher.waitForFinished();
}

QList<QAction *> ResponseCalibrator::commands() const
{
    return {m_fromCycle, m_fromRecording, m_forget};
}

void ResponseCalibrator::setCameraModel(const QString &model)
{
    m_cameraModel = model;
    showCommandState();
}

bool ResponseCalibrator::isCalibrating() const
{
    return m_watcher.isRunning();
}

void ResponseCalibrator::showCommandState()
{
    const bool idle = !isCalibrating();
    m_fromCycle->setEnabled(idle && !m_cameraModel.isEmpty());
    m_fromRecording->setEnabled(idle);
    m_forget->setEnabled(idle && !m_cameraModel.isEmpty() &&
                         m_store.responseFor(m_cameraModel).origin() ==
                             CameraResponse::Origin::Calibrated);
}

void ResponseCalibrator::calibrateFromLatestCycle()
{
    const QVector<RadianceMerge::Exposure> cycle = m_latestCycle();
    if (cycle.isEmpty() || m_cameraModel.isEmpty()) {
        showInformation(m_window, tr("No cycle of the bracket has been taken yet."));
        return;
    }
    start([model = m_cameraModel, cycle] {
        return Outcome{model, ResponseCalibration::calibrate(model, cycle), int(cycle.size()), {}};
    });
}

void ResponseCalibrator::askForRecording()
{
    const QString folder =
        QFileDialog::getExistingDirectory(m_window, tr("Calibrate from a Recording"), m_folder);
    if (!folder.isEmpty())
        calibrateFromRecording(folder);
}

void ResponseCalibrator::calibrateFromRecording(const QString &folder)
{
    m_folder = folder;
    start([folder] {
        const RecordedBracket recorded = RecordedBracket::read(folder);
        return Outcome{recorded.cameraModel,
                       ResponseCalibration::calibrate(recorded.cameraModel, recorded.exposures),
                       int(recorded.exposures.size()),
                       {}};
    });
}

void ResponseCalibrator::start(const std::function<Outcome()> &calibrate)
{
    if (isCalibrating())
        return;
    // Reading the images and solving for the curves takes a moment.
    m_watcher.setFuture(QtConcurrent::run([calibrate] {
        try {
            return calibrate();
        } catch (const std::runtime_error &error) {
            return Outcome{{}, std::nullopt, 0, QString::fromUtf8(error.what())};
        }
    }));
    showCommandState();
}

void ResponseCalibrator::finished()
{
    Outcome outcome = m_watcher.result();
    if (outcome.response) {
        try {
            m_store.store(outcome.cameraModel, *outcome.response);
        } catch (const std::runtime_error &error) {
            outcome.failure = QString::fromUtf8(error.what());
        }
    }
    showCommandState();
    if (!outcome.failure.isEmpty()) {
        showCritical(m_window,
                     tr("The response could not be calibrated.\n\n%1").arg(outcome.failure));
        return;
    }
    emit responseChanged(outcome.cameraModel);
    showInformation(m_window, tr("The response of the %1 is calibrated from %2 images and kept "
                                 "for this camera model: its radiance is merged with it from "
                                 "the next cycle on.")
                                  .arg(outcome.cameraModel)
                                  .arg(outcome.images));
}

void ResponseCalibrator::forget()
{
    m_store.remove(m_cameraModel);
    showCommandState();
    emit responseChanged(m_cameraModel);
    showInformation(m_window, tr("The calibrated response of the %1 is forgotten: its radiance "
                                 "is merged with the response of its sensor model, or a linear "
                                 "one, from the next cycle on.")
                                  .arg(m_cameraModel));
}
