#pragma once

#include "sequencerproperty.h"

class QComboBox;
class QLabel;

namespace Properties {

/// Path 0 of a set: which set the sequence takes next, and the trigger
/// source that steps it there. It shows the camera's path of the selected
/// set; its value is never taken from a stored buffer.
class Path : public SequencerProperty
{
    Q_OBJECT

public:
    /// parent is the set widget that shows the editor: a new set's path
    /// leads to the set after it.
    Path(const QSharedPointer<VyraCamera> &camera, QObject *eventFilter, QWidget *parent);

    QString displayName() const override { return name(); }
    qint64 featureId() const override { return Id; }
    quint32 valueSize() const override { return Size; }
    void applyValue(const QSharedPointer<FeatureValue> &value) override;
    QSharedPointer<FeatureValue> currentValue() const override;

    /// The set chosen to come next, or -1 when none is chosen.
    int nextSet() const;
    /// Shows set as the one to come next; the camera's path is not written.
    void showNextSet(int set);
    /// Writes path 0 of the camera's selected set leading to nextSet, with
    /// the chosen trigger source. Camera errors are swallowed.
    void writePath(int nextSet);

    static constexpr qint64 Id = 255;
    static constexpr quint32 Size = 16;
    static const QString &name();

public slots:
    /// Shows path 0 of the camera's selected set; never writes it.
    void updateSettings() override;
    void setCameraParameters() override;

private:
    void fillNextSets();
    void fillTriggerSources();

    QLabel *m_selector;
    QComboBox *m_nextSet;
    QComboBox *m_triggerSource;
};

} // namespace Properties
