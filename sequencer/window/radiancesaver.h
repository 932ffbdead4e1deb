#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QString>
#include <QVector>

#include <memory>

#include "radiancemerge.h"

class QWidget;

/// "Save Radiance Image…": asks where to save the radiance of a cycle, as
/// 32-bit float TIFF or, where the build has OpenEXR, as OpenEXR (by the
/// name's suffix or the chosen filter), then merges the cycle and writes it
/// in the background; says why when it cannot. GUI thread.
class RadianceSaver : public QObject
{
    Q_OBJECT

public:
    explicit RadianceSaver(QWidget *window, QObject *parent = nullptr);
    /// Waits for a file still being written.
    ~RadianceSaver() override;

    /// Asks for a file name and starts merging the cycle with merge and
    /// writing its radiance there.
    void save(const QVector<RadianceMerge::Exposure> &cycle,
              std::shared_ptr<const RadianceMerge> merge, const QString &cameraModel,
              const QString &serialNumber);
    bool isSaving() const;

signals:
    /// The file is written (path) or could not be (failure not empty).
    void finished(const QString &path, const QString &failure);

private:
    QString askFileName(const QString &cameraModel, quint64 frameNumber);
    void written();

    QWidget *m_window;
    QFutureWatcher<QString> m_watcher;
    QString m_path;
    QString m_folder;
};
