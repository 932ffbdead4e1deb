#pragma once

#include <QString>

#include "cameraresponse.h"

/// The response curves calibrated for camera models, kept in the user's
/// settings store (one entry per model, each channel's 256 lights as text),
/// and the response the radiance merge uses for a model: its calibrated
/// curve, else the one its sensor model documents (the VK cameras), else a
/// linear one, assumed.
class ResponseStore
{
public:
    /// Keeps the curves in the settings store of organisation and application.
    ResponseStore(const QString &organisation, const QString &application);

    /// The response to merge images of the model with. A stored curve that
    /// cannot be read is passed over; *problem, when given, then says why
    /// (and is emptied otherwise).
    CameraResponse responseFor(const QString &cameraModel, QString *problem = nullptr) const;
    /// Keeps a calibrated response for the model, replacing an earlier one.
    /// Throws std::runtime_error for a response that was not calibrated or
    /// when the settings store cannot be written.
    void store(const QString &cameraModel, const CameraResponse &response) const;
    /// Forgets the model's calibrated response.
    void remove(const QString &cameraModel) const;

private:
    static QString keyOf(const QString &cameraModel);

    QString m_organisation;
    QString m_application;
};
