#include "radiancesaver.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>
#include <QtConcurrent>

#include <stdexcept>

#include "messagebox.h"
#include "radiancefilewriter.h"

namespace {

const QString tiffFilter = QStringLiteral("32-bit float TIFF (*.tiff *.tif)");
const QString exrFilter = QStringLiteral("OpenEXR (*.exr)");

bool isExr(const QString &path)
{
    return QFileInfo(path).suffix().compare(QLatin1String("exr"), Qt::CaseInsensitive) == 0;
}

bool hasRadianceSuffix(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("tiff") || suffix == QLatin1String("tif") ||
           (suffix == QLatin1String("exr") && RadianceFileWriter::exrAvailable());
}

} // namespace

RadianceSaver::RadianceSaver(QWidget *window, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_folder(QStandardPaths::writableLocation(QStandardPaths::PicturesLocation))
{
    connect(&m_watcher, &QFutureWatcher<QString>::finished, this, &RadianceSaver::written);
}

RadianceSaver::~RadianceSaver()
{
    m_watcher.waitForFinished();
}

void RadianceSaver::save(const QVector<RadianceMerge::Exposure> &cycle,
                         std::shared_ptr<const RadianceMerge> merge, const QString &cameraModel,
                         const QString &serialNumber)
{
    if (cycle.isEmpty() || !merge || isSaving())
        return;
    const QString path = askFileName(cameraModel, cycle.first().frameNumber);
    if (path.isEmpty())
        return;
    m_path = path;
    m_folder = QFileInfo(path).absolutePath();
    const RadianceFileFormat format =
        isExr(path) ? RadianceFileFormat::Exr : RadianceFileFormat::Tiff;
    // The images are shared and never changed: the task may read them while
    // the camera goes on.
    m_watcher.setFuture(QtConcurrent::run([cycle, merge, format, path, serialNumber] {
        try {
            return RadianceFileWriter::write(merge->merge(cycle), format, path, serialNumber);
        } catch (const std::runtime_error &error) {
            return QString::fromUtf8(error.what());
        }
    }));
}

bool RadianceSaver::isSaving() const
{
    return m_watcher.isRunning();
}

QString RadianceSaver::askFileName(const QString &cameraModel, quint64 frameNumber)
{
    const QString name = QStringLiteral("%1-frame-%2-radiance.tiff")
                             .arg(cameraModel.isEmpty() ? QStringLiteral("cycle") : cameraModel)
                             .arg(frameNumber);
    QString filters = tiffFilter;
    if (RadianceFileWriter::exrAvailable())
        filters += QStringLiteral(";;") + exrFilter;
    QFileDialog dialog(m_window, tr("Save Radiance Image"), QDir(m_folder).filePath(name), filters);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    QString path = dialog.selectedFiles().first();
    if (!hasRadianceSuffix(path))
        path += dialog.selectedNameFilter() == exrFilter ? QStringLiteral(".exr")
                                                         : QStringLiteral(".tiff");
    return path;
}

void RadianceSaver::written()
{
    const QString failure = m_watcher.result();
    emit finished(m_path, failure);
    if (!failure.isEmpty())
        showCritical(m_window, tr("The radiance could not be saved in %1.\n\n%2")
                                   .arg(QDir::toNativeSeparators(m_path), failure));
}
