#pragma once

#include <QCoreApplication>
#include <QJsonArray>
#include <QList>
#include <QString>
#include <QVector>

#include "vyrarecords.h"

/// The cameras the driver lists, and the one a run opens: the camera a text
/// names (its serial number, its model, or its place in the list from 0),
/// or without a name the first free camera. Cameras held by another program
/// are listed but never chosen.
class CameraChoice
{
    Q_DECLARE_TR_FUNCTIONS(CameraChoice)

public:
    /// One listed camera.
    struct Camera
    {
        /// The place in the list, from 0.
        int index = 0;
        int deviceId = 0;
        QString model;
        QString serialNumber;
        QString name;
        bool inUse = false;
    };

    /// The camera to open, or why there is none.
    struct Found
    {
        /// -1 when there is none.
        int deviceId = -1;
        QString error;
    };

    explicit CameraChoice(const QVector<VyraCameraRecord> &records);

    const QList<Camera> &cameras() const;
    /// The camera wanted names; the first free one when wanted is empty.
    Found find(const QString &wanted) const;
    /// The list for people: a header and one line per camera.
    QString table() const;
    /// The list as JSON: one object per camera.
    QJsonArray toJson() const;

private:
    /// "VK1240C 4102000001 (place 0)"
    static QString describe(const Camera &camera);
    QString listedCameras() const;

    QList<Camera> m_cameras;
};
