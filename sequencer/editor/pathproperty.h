#pragma once

#include "sequencerproperty.h"

class QComboBox;
class QLabel;

namespace Properties {

/// Path 0 of a set: which set the sequence takes next, and the trigger
/// source that steps it there, as the set's values hold them.
class Path : public SequencerProperty
{
    Q_OBJECT

public:
    Path(const QSharedPointer<VyraCamera> &camera, QObject *eventFilter, QWidget *parent);

    QString displayName() const override { return name(); }
    qint64 featureId() const override { return Id; }
    quint32 valueSize() const override { return Size; }
    SetParameters editedValues(const SetParameters &values) const override;
    /// Offers the sets of a sequence of count sets (as many as the camera
    /// holds at most) as the set to come next.
    void offerSets(int count);

    static constexpr qint64 Id = 255;
    static constexpr quint32 Size = 16;
    static const QString &name();

protected:
    /// The path's choices are fixed when the editor is made.
    void readRanges() override {}
    void fillWidgets(const SetParameters &values) override;

private:
    void fillTriggerSources();

    QLabel *m_selector;
    QComboBox *m_nextSet;
    QComboBox *m_triggerSource;
    /// How many sets the camera holds.
    int m_capacity = 0;
};

} // namespace Properties
