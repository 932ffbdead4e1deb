#include "recordingcontrol.h"

#include <QDir>
#include <QLabel>
#include <QStatusBar>

#include <utility>

#include "messagebox.h"

RecordingControl::RecordingControl(QWidget *window, QStatusBar *statusBar, QObject *parent)
    : QObject(parent), m_window(window), m_statusBar(statusBar), m_progress(new QLabel(statusBar))
{
    m_progress->setObjectName(QStringLiteral("recordingProgress"));
    m_statusBar->addPermanentWidget(m_progress);
    m_progress->hide();
}

RecordingControl::~RecordingControl()
{
    // Before this object is gone: the session writes out what it took.
    delete m_session;
}

bool RecordingControl::start(const ImageRecorder::Settings &settings,
                             const QSharedPointer<VyraCamera> &camera,
                             const QSharedPointer<Sequencer> &sequencer, const LabelSource &labels)
{
    if (isActive() || !camera || !sequencer)
        return false;
    auto *session = new RecordingSession({}, ImageRecorder::defaultQueueBytes, this);
    const QString failure = session->start(settings, camera, sequencer, labels);
    if (!failure.isEmpty()) {
        delete session;
        showCritical(m_window, failure);
        return false;
    }
    m_session = session;
    connect(session, &RecordingSession::progressed, this, &RecordingControl::showProgress);
    connect(session, &RecordingSession::stateChanged, this, &RecordingControl::stateChanged);
    connect(session, &RecordingSession::ended, this, &RecordingControl::showEnd);
    m_progress->show();
    showProgress();
    emit stateChanged();
    return true;
}

void RecordingControl::stop(const QString &reason)
{
    if (!m_session || !m_session->isRecording())
        return;
    m_session->stop(reason);
    showProgress();
}

bool RecordingControl::isRecording() const
{
    return m_session && m_session->isRecording();
}

bool RecordingControl::isActive() const
{
    return m_session && m_session->isActive();
}

void RecordingControl::showProgress()
{
    if (!m_session)
        return;
    const ImageRecorder::Progress progress = m_session->progress().images;
    const int cycles = m_session->settings().cycles;
    QString text;
    if (!progress.taking)
        text = tr("Finishing the recording: %1 images to write").arg(progress.queued);
    else if (progress.cycle == 0)
        text = tr("Recording: waiting for the first cycle");
    else if (cycles > 0)
        text = tr("Recording cycle %1 of %2").arg(progress.cycle).arg(cycles);
    else
        text = tr("Recording cycle %1").arg(progress.cycle);
    if (progress.cycle > 0 || !progress.taking)
        text += tr(": %1 images written, %2 dropped, %3 lost")
                    .arg(progress.written)
                    .arg(progress.dropped)
                    .arg(progress.lost);
    m_progress->setText(text);
}

void RecordingControl::showEnd()
{
    RecordingSession *session = std::exchange(m_session, nullptr);
    m_progress->hide();
    // The session's own signal brought us here: it goes once the signal is
    // done, after the message boxes below.
    session->deleteLater();
    emit stateChanged();

    const ImageRecorder::Progress progress = session->progress().images;
    const QString where = QDir::toNativeSeparators(session->settings().folder);
    if (session->outcome() == RecordingSession::Outcome::Failed) {
        QString text = tr("The recording ended early: %1\n\n").arg(session->reason());
        if (progress.written == 0)
            text += tr("No image was written.");
        else if (progress.written == 1)
            text += tr("The image written before is complete and listed in %1 in %2.")
                        .arg(RecordingWriter::listName, where);
        else
            text += tr("The %1 images written before are complete and listed in %2 in %3.")
                        .arg(QString::number(progress.written), RecordingWriter::listName, where);
        if (progress.dropped > 0 || progress.lost > 0)
            text += tr("\n\n%1 images were dropped by the writer, %2 lost by the camera.")
                        .arg(progress.dropped)
                        .arg(progress.lost);
        m_statusBar->showMessage(tr("Recording failed"));
        showCritical(m_window, text);
    } else if (progress.dropped > 0) {
        m_statusBar->showMessage(endMessage(*session));
        showWarning(m_window, endMessage(*session) +
                                  tr("\n\n%1 images were dropped because the disk could not keep "
                                     "up; %2 lists the images written.")
                                      .arg(progress.dropped)
                                      .arg(RecordingWriter::listName));
    } else {
        m_statusBar->showMessage(endMessage(*session));
    }
}

QString RecordingControl::endMessage(const RecordingSession &session)
{
    QString head;
    if (session.outcome() == RecordingSession::Outcome::Ended)
        head = tr("Recording ended, %1").arg(session.reason());
    else if (session.outcome() == RecordingSession::Outcome::Stopped)
        head = tr("Recording stopped");
    else
        head = tr("Recording complete");
    const ImageRecorder::Progress progress = session.progress().images;
    // The figures before the folder: a long path may not fit the status bar.
    head += tr(": %1 images written, %2 dropped by the writer, %3 lost by the camera")
                .arg(progress.written)
                .arg(progress.dropped)
                .arg(progress.lost);
    // Fusing at full size can fall behind a fast sequence.
    if (progress.fusionsSkipped > 0)
        head += tr(", %1 cycles not fused").arg(progress.fusionsSkipped);
    if (progress.radianceSkipped > 0)
        head += tr(", %1 cycles not merged").arg(progress.radianceSkipped);
    head += tr(", in %1").arg(QDir::toNativeSeparators(session.settings().folder));
    return head;
}
