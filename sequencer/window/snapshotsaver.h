#pragma once

#include <QFutureWatcher>
#include <QImage>
#include <QObject>
#include <QSharedPointer>
#include <QString>

#include "imagemetadata.h"

class QWidget;

/// "Save Image…": asks where to save an image and writes it at full
/// resolution with its metadata, as TIFF or PNG by the name's suffix or the
/// chosen filter, in the background; says when it is saved or why not.
/// GUI thread.
class SnapshotSaver : public QObject
{
    Q_OBJECT

public:
    explicit SnapshotSaver(QWidget *window, QObject *parent = nullptr);
    /// Waits for a file still being written.
    ~SnapshotSaver() override;

    /// Asks for a file name and starts writing the image there.
    void save(const QSharedPointer<QImage> &image, const ImageMetadata &metadata);
    bool isSaving() const;

signals:
    /// The file is written (path) or could not be (failure not empty).
    void finished(const QString &path, const QString &failure);

private:
    QString askFileName(const ImageMetadata &metadata);
    void written();

    QWidget *m_window;
    QFutureWatcher<QString> m_watcher;
    QString m_path;
    QString m_folder;
};
