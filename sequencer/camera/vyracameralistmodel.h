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
///
/// The driver marks every camera a program holds as in use, this program's
/// own included; the camera this program has open reads as such, so that it
/// does not look like one another program holds. The icon shows the camera's
/// connection, USB or network (GigE), and whether it is free.
class VyraCameraListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    /// openDeviceId: the device ID of the camera this program has open, -1
    /// when none is.
    explicit VyraCameraListModel(QObject *parent = nullptr, int openDeviceId = -1);
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
    int openDeviceId;
    QIcon usbAvailableIcon;
    QIcon usbInUseIcon;
    QIcon networkAvailableIcon;
    QIcon networkInUseIcon;
    EventThread *connectedThread;
    EventThread *removedThread;
};
