#pragma once

#include <QObject>

/// The rate at which a running sequence takes its images, in images a
/// second. It lies between the open camera's lowest frame rate and the
/// highest rate the camera runs the sequence at (its fastest for the
/// sequence's longest exposure at its image size). The rate asked for is
/// kept while the range leaves it out, and comes back when the range allows
/// it again.
class SequencerFramerate : public QObject
{
    Q_OBJECT

public:
    /// The highest rate until a camera tells its own.
    static constexpr double initialMaximum = 10.0;
    /// The rate of a first start.
    static constexpr double defaultValue = 5.0;

    explicit SequencerFramerate(QObject *parent = nullptr);

    double value() const;
    double minimum() const;
    double maximum() const;
    /// The rate last asked for; value() is that rate within the camera's range.
    double requested() const;
    /// Takes the rate, pulled into the range; emits changed() when the rate
    /// is another than before. A rate that is no number is ignored.
    void setValue(double fps);
    /// The lowest rate of the open camera; the rate is pulled up to it.
    void setMinimum(double fps);
    /// The highest rate the camera runs the sequence at; the rate is pulled
    /// down to it.
    void setMaximum(double fps);

signals:
    void changed(double fps);
    void minimumChanged(double fps);
    void maximumChanged(double fps);

private:
    void follow();

    double m_minimum = 0.0;
    double m_maximum = initialMaximum;
    double m_requested = defaultValue;
    double m_value = defaultValue;
};
