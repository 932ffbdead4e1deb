#include "vyracameralistmodel.h"

#include <cstring>
#include <vector>

#include "eventthread.h"
#include "vyradriver.h"

namespace {

enum Column { AvailableColumn, IdColumn, DeviceIdColumn, ModelColumn, SerialNumberColumn };

// Far more cameras than one computer's buses can carry.
constexpr int32_t maximumCameraCount = 1024;

// Drivers number network (GigE) cameras from here up, USB cameras below.
constexpr int32_t firstNetworkDeviceId = 1001;

} // namespace

/// Driver failures give an empty or shorter list; they are not worth a
/// message in a selection dialog.
QVector<VyraCameraRecord> VyraCameraListModel::connectedCameras()
{
    int32_t count = 0;
    if (countCameras(&count) != VYRA_SUCCESS || count <= 0)
        return {};
    // A count no driver can mean would only make the buffer size wrap around.
    count = qMin(count, maximumCameraCount);

    // Room for count records behind the count word. Whole records as storage
    // keep the buffer aligned for the records it holds.
    std::vector<VyraCameraRecord> storage(
        (VYRA_CAMERA_LIST_SIZE(count) + sizeof(VyraCameraRecord) - 1) / sizeof(VyraCameraRecord));
    auto *list = reinterpret_cast<VyraCameraList *>(storage.data());
    list->count = count;
    // A failed call may leave the buffer as it was, count word included, and
    // its records are then no cameras at all.
    if (listCameras(list) != VYRA_SUCCESS)
        return {};

    // A camera plugged in between the two calls can make the driver report
    // more records than the buffer has room for; only those it holds count.
    const int32_t filled = qBound<int32_t>(0, list->count, count);
    QVector<VyraCameraRecord> cameras;
    cameras.reserve(filled);
    for (int32_t i = 0; i < filled; ++i)
        cameras.append(list->records[i]);
    return cameras;
}

namespace {

/// A text field of a record, read up to its terminating zero but never past
/// the field.
template<size_t size> QString fieldText(const char (&field)[size])
{
    return QString::fromLatin1(field, static_cast<int>(qstrnlen(field, size)));
}

} // namespace

VyraCameraListModel::VyraCameraListModel(QObject *parent, int openDeviceId)
    : QAbstractTableModel(parent)
    , cameras(connectedCameras())
    , openDeviceId(openDeviceId)
    , usbAvailableIcon(QStringLiteral(":/images/Icons8/USB Connected.png"))
    , usbInUseIcon(QStringLiteral(":/images/Icons8/USB Disconnected.png"))
    , networkAvailableIcon(QStringLiteral(":/images/Icons8/Network Connected.png"))
    , networkInUseIcon(QStringLiteral(":/images/Icons8/Network Disconnected.png"))
    , connectedThread(new EventThread(VYRA_EVENT_DEVICE_CONNECTED, this))
    , removedThread(new EventThread(VYRA_EVENT_DEVICE_REMOVED, this))
{
    headerLabels << tr("Available") << tr("ID") << tr("Dev. ID") << tr("Model") << tr("Ser. No");

    connect(connectedThread, &EventThread::eventSignaled, this,
            &VyraCameraListModel::onDeviceConnected);
    connectedThread->start(QThread::InheritPriority);
    connect(removedThread, &EventThread::eventSignaled, this,
            &VyraCameraListModel::onDeviceRemoved);
    removedThread->start(QThread::InheritPriority);
}

VyraCameraListModel::~VyraCameraListModel()
{
    connectedThread->stop();
    connectedThread->wait();
    removedThread->stop();
    removedThread->wait();
}

int VyraCameraListModel::rowCount(const QModelIndex &) const
{
    return cameras.size();
}

int VyraCameraListModel::columnCount(const QModelIndex &) const
{
    return headerLabels.size();
}

QVariant VyraCameraListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= cameras.size())
        return QVariant();
    const VyraCameraRecord &camera = cameras.at(index.row());
    const bool openHere = camera.deviceId == openDeviceId;
    const bool heldElsewhere = camera.inUse != 0 && !openHere;

    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case AvailableColumn:
            if (openHere)
                return QStringLiteral("In use by this program");
            return heldElsewhere ? QStringLiteral("No") : QStringLiteral("Yes");
        case IdColumn:
            return int(camera.cameraId);
        case DeviceIdColumn:
            return int(camera.deviceId);
        case ModelColumn:
            return fieldText(camera.modelName).replace(QLatin1String("VK"), QLatin1String("VK-"));
        case SerialNumberColumn:
            return fieldText(camera.serialNumber);
        default:
            return QVariant();
        }
    }
    if (role == Qt::DecorationRole && index.column() == AvailableColumn) {
        if (camera.deviceId >= firstNetworkDeviceId)
            return heldElsewhere ? networkInUseIcon : networkAvailableIcon;
        return heldElsewhere ? usbInUseIcon : usbAvailableIcon;
    }
    return QVariant();
}

QVariant VyraCameraListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < headerLabels.size() ? QVariant(headerLabels.at(section))
                                                             : QVariant();
    return section;
}

void VyraCameraListModel::onDeviceConnected()
{
    reload();
}

void VyraCameraListModel::onDeviceRemoved()
{
    reload();
}

void VyraCameraListModel::reload()
{
    beginResetModel();
    cameras = connectedCameras();
    endResetModel();
}
