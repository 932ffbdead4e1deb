#include "snapshotsaver.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

#include "imagefilewriter.h"
#include "messagebox.h"
#include "ownthreadtask.h"

namespace {

const QString tiffFilter = QStringLiteral("TIFF image (*.tiff *.tif)");
const QString pngFilter = QStringLiteral("PNG image (*.png)");

bool hasImageSuffix(const QString &name)
{
    const QString suffix = QFileInfo(name).suffix().toLower();
    return suffix == QLatin1String("tiff") || suffix == QLatin1String("tif") ||
           suffix == QLatin1String("png");
}

} // namespace

SnapshotSaver::SnapshotSaver(QWidget *window, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_folder(QStandardPaths::writableLocation(QStandardPaths::PicturesLocation))
{
    connect(&m_watcher, &QFutureWatcher<QString>::finished, this, &SnapshotSaver::written);
}

SnapshotSaver::~SnapshotSaver()
{
    m_watcher.waitForFinished();
}

void SnapshotSaver::save(const QSharedPointer<QImage> &image, const ImageMetadata &metadata)
{
    if (!image || isSaving())
        return;
    const QString path = askFileName(metadata);
    if (path.isEmpty())
        return;
    m_path = path;
    m_folder = QFileInfo(path).absolutePath();
    const ImageFileFormat format = ImageFileWriter::formatOf(path);
    // The shared image is never changed, so the task may read it while the
    // camera goes on.
    m_watcher.setFuture(runOnOwnThread([image, metadata, format, path] {
        return ImageFileWriter::write(*image, metadata, format, path);
    }));
}

bool SnapshotSaver::isSaving() const
{
    return m_watcher.isRunning();
}

QString SnapshotSaver::askFileName(const ImageMetadata &metadata)
{
    const QString set =
        metadata.frame.set == VyraFrameInfo::noSet
            ? QStringLiteral("live")
            : QStringLiteral("set-%1").arg(metadata.frame.set, 2, 10, QLatin1Char('0'));
    const QString name =
        QStringLiteral("%1-frame-%2-%3.tiff")
            .arg(metadata.cameraModel.isEmpty() ? QStringLiteral("image") : metadata.cameraModel)
            .arg(metadata.frame.frameNumber)
            .arg(set);
    QFileDialog dialog(m_window, tr("Save Image"), QDir(m_folder).filePath(name),
                       tiffFilter + QStringLiteral(";;") + pngFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    QString path = dialog.selectedFiles().first();
    if (!hasImageSuffix(path))
        path += dialog.selectedNameFilter() == pngFilter ? QStringLiteral(".png")
                                                         : QStringLiteral(".tiff");
    return path;
}

void SnapshotSaver::written()
{
    const QString failure = m_watcher.result();
    emit finished(m_path, failure);
    if (!failure.isEmpty())
        showCritical(m_window, tr("The image could not be saved in %1.\n\n%2")
                                   .arg(QDir::toNativeSeparators(m_path), failure));
}
