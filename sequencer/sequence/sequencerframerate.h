#pragma once

#include <QObject>
#include <QString>

/// The rate at which a running sequence takes its images, in images a
/// second: a setting of its own, kept in the user's settings store. It lies
/// between the open camera's lowest frame rate and ten a second (the
/// software triggers of a running sequence come at most ten times a second).
class SequencerFramerate : public QObject
{
    Q_OBJECT

public:
    /// The highest rate a sequence runs at.
    static constexpr double maximum = 10.0;
    /// The rate of a first start.
    static constexpr double defaultValue = 5.0;

    /// Reads the stored rate from the settings store of organisation and
    /// application.
    SequencerFramerate(const QString &organisation, const QString &application,
                       QObject *parent = nullptr);

    double value() const;
    double minimum() const;
    /// Stores the rate, pulled into the range; emits changed() when the rate
    /// is another than before.
    void setValue(double fps);
    /// The lowest rate of the open camera; the rate is pulled up to it.
    void setMinimum(double fps);

signals:
    void changed(double fps);
    void minimumChanged(double fps);

private:
    void store() const;

    QString m_organisation;
    QString m_application;
    double m_minimum = 0.0;
    double m_value = defaultValue;
};
