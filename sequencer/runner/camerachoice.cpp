#include "camerachoice.h"

#include <QJsonObject>
#include <QStringList>

#include <algorithm>

namespace {

/// A text field of a record, up to its terminating zero but never past the
/// field.
template<size_t size> QString fieldText(const char (&field)[size])
{
    return QString::fromLatin1(field, static_cast<int>(qstrnlen(field, size)));
}

/// Models compare without regard to case or dashes: the camera dialog shows
/// "VK-1240C" for the model the driver names "VK1240C".
QString comparableModel(QString model)
{
    return model.remove(QLatin1Char('-')).toUpper();
}

} // namespace

CameraChoice::CameraChoice(const QVector<VyraCameraRecord> &records)
{
    for (const VyraCameraRecord &record : records) {
        Camera camera;
        camera.index = int(m_cameras.size());
        camera.deviceId = record.deviceId;
        camera.model = fieldText(record.modelName);
        camera.serialNumber = fieldText(record.serialNumber);
        camera.name = fieldText(record.cameraName);
        camera.inUse = record.inUse != 0;
        m_cameras << camera;
    }
}

const QList<CameraChoice::Camera> &CameraChoice::cameras() const
{
    return m_cameras;
}

CameraChoice::Found CameraChoice::find(const QString &wanted) const
{
    Found found;
    if (m_cameras.isEmpty()) {
        found.error = tr("no camera is connected");
        return found;
    }
    const auto isFree = [](const Camera &camera) { return !camera.inUse; };
    QList<Camera> named;
    if (wanted.isEmpty()) {
        named = m_cameras;
    } else {
        // A serial number names one camera; a model may name several, of
        // which the first free one is taken; a number below the count is a
        // place in the list.
        for (const Camera &camera : m_cameras) {
            if (camera.serialNumber.compare(wanted, Qt::CaseInsensitive) == 0)
                named << camera;
        }
        if (named.isEmpty()) {
            for (const Camera &camera : m_cameras) {
                if (comparableModel(camera.model) == comparableModel(wanted))
                    named << camera;
            }
        }
        bool isNumber = false;
        const int index = wanted.toInt(&isNumber);
        if (named.isEmpty() && isNumber && index >= 0 && index < m_cameras.size())
            named << m_cameras.at(index);
    }
    if (named.isEmpty()) {
        found.error = tr("no camera '%1'; the cameras: %2").arg(wanted, listedCameras());
        return found;
    }
    const auto chosen = std::find_if(named.cbegin(), named.cend(), isFree);
    if (chosen == named.cend()) {
        found.error =
            wanted.isEmpty()
                ? tr("every camera is held by another program: %1").arg(listedCameras())
                : tr("the camera %1 is held by another program").arg(describe(named.first()));
        return found;
    }
    found.deviceId = chosen->deviceId;
    return found;
}

QString CameraChoice::table() const
{
    QList<QStringList> rows{
        {tr("INDEX"), tr("DEVICE ID"), tr("MODEL"), tr("SERIAL"), tr("NAME"), tr("AVAILABLE")}};
    for (const Camera &camera : m_cameras) {
        rows << QStringList{QString::number(camera.index),
                            QString::number(camera.deviceId),
                            camera.model,
                            camera.serialNumber,
                            camera.name,
                            camera.inUse ? tr("no, held by another program") : tr("yes")};
    }
    QVector<int> widths(rows.first().size(), 0);
    for (const QStringList &row : qAsConst(rows)) {
        for (int column = 0; column < row.size(); ++column)
            widths[column] = std::max(widths.at(column), int(row.at(column).size()));
    }
    QString text;
    for (const QStringList &row : qAsConst(rows)) {
        QStringList cells;
        for (int column = 0; column < row.size() - 1; ++column)
            cells << row.at(column).leftJustified(widths.at(column));
        cells << row.last();
        text += cells.join(QStringLiteral("  ")) + QLatin1Char('\n');
    }
    return text;
}

QJsonArray CameraChoice::toJson() const
{
    QJsonArray list;
    for (const Camera &camera : m_cameras) {
        list.append(QJsonObject{{QStringLiteral("index"), camera.index},
                                {QStringLiteral("device_id"), camera.deviceId},
                                {QStringLiteral("model"), camera.model},
                                {QStringLiteral("serial_number"), camera.serialNumber},
                                {QStringLiteral("name"), camera.name},
                                {QStringLiteral("available"), !camera.inUse}});
    }
    return list;
}

QString CameraChoice::describe(const Camera &camera)
{
    return tr("%1 %2 (place %3)").arg(camera.model, camera.serialNumber).arg(camera.index);
}

QString CameraChoice::listedCameras() const
{
    QStringList described;
    for (const Camera &camera : m_cameras)
        described << describe(camera) + (camera.inUse ? tr(", held") : QString());
    return described.join(QStringLiteral("; "));
}
