#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <QStringList>
#include <QVector>

#include "vyrarecords.h"

class EventThread;

/// The cameras the driver reports as connected, one row each, with their
/// availability, IDs, model and serial number. The list reloads by itself
/// whenever a camera is plugged in or pulled out.
class VyraCameraListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit VyraCameraListModel(QObject *parent = nullptr);
    /// Stops both device-event threads and waits for them.
    ~VyraCameraListModel() override;

    /// The cameras the driver lists now, in its order. A failing driver
    /// gives an empty or shorter list.
    static QVector<VyraCameraRecord> connectedCameras();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private slots:
    void onDeviceConnected();
    void onDeviceRemoved();

private:
    void reload();

    QStringList headerLabels;
    QVector<VyraCameraRecord> cameras;
    QIcon availableIcon;
    QIcon inUseIcon;
    EventThread *connectedThread;
    EventThread *removedThread;
};
