#include "sequencerframerate.h"

#include <QSettings>

#include <algorithm>
#include <cmath>

namespace {

const char settingsKey[] = "sequencer/framerate";

} // namespace

SequencerFramerate::SequencerFramerate(const QString &organisation, const QString &application,
                                       QObject *parent)
    : QObject(parent), m_organisation(organisation), m_application(application)
{
    bool ok = false;
    const double stored = QSettings(m_organisation, m_application)
                              .value(QString::fromLatin1(settingsKey))
                              .toDouble(&ok);
    // A value edited by hand into something else than a rate is forgotten.
    if (ok && std::isfinite(stored))
        m_value = std::clamp(stored, m_minimum, maximum);
}

double SequencerFramerate::value() const
{
    return m_value;
}

double SequencerFramerate::minimum() const
{
    return m_minimum;
}

void SequencerFramerate::setValue(double fps)
{
    if (!std::isfinite(fps))
        return;
    const double clamped = std::clamp(fps, m_minimum, maximum);
    if (clamped == m_value)
        return;
    m_value = clamped;
    store();
    emit changed(m_value);
}

void SequencerFramerate::setMinimum(double fps)
{
    if (!std::isfinite(fps) || fps == m_minimum)
        return;
    m_minimum = std::clamp(fps, 0.0, maximum);
    emit minimumChanged(m_minimum);
    // A camera that cannot run so slowly takes its lowest rate; the stored
    // rate stays for the cameras that can.
    if (m_value < m_minimum) {
        m_value = m_minimum;
        emit changed(m_value);
    }
}

void SequencerFramerate::store() const
{
    QSettings(m_organisation, m_application).setValue(QString::fromLatin1(settingsKey), m_value);
}
