#pragma once

#include <QList>
#include <QPair>
#include <QSharedPointer>
#include <QString>
#include <QWidget>

#include <algorithm>

#include "setparameters.h"

class QAbstractSpinBox;
class QLabel;
class QObject;
class VyraCamera;

/// The editor of one feature of a sequencer set: a few labelled input widgets
/// that show the set's value of the feature, as the sequence model holds it,
/// within the range the camera allows. An edit is announced with edited();
/// the set widget takes the new value into the model, and the model's change
/// comes back through showValues(). The editor itself never writes to the
/// camera; it only reads the camera's ranges.
///
/// The editor is never shown: it owns the rows (label, editor widget) that
/// its set widget places into its form, and deleting the editor removes them
/// again. A value the camera cannot take (the model may hold one, for example
/// after the frame rate rose) is shown as it is, marked, with what the
/// camera allows as its tooltip.
class SequencerProperty : public QWidget
{
    Q_OBJECT

public:
    /// A label and the widget it names, as the set widget's form shows them.
    using Row = QPair<QWidget *, QWidget *>;

    /// eventFilter (the set widget's) is installed on every row widget, so
    /// that focus and mouse events on a row reach the set.
    SequencerProperty(const QSharedPointer<VyraCamera> &camera, QObject *eventFilter,
                      QWidget *parent);
    ~SequencerProperty() override;

    virtual QString displayName() const = 0;
    virtual qint64 featureId() const = 0;
    /// Size in bytes of the value the camera driver stores for the feature.
    virtual quint32 valueSize() const = 0;
    /// Shows the feature's value of a set; nothing is announced as an edit.
    void showValues(const SetParameters &values);
    /// The set's values with this feature as the widgets show it.
    virtual SetParameters editedValues(const SetParameters &values) const = 0;

    const QList<Row> &rows() const;
    QSharedPointer<VyraCamera> camera() const;
    /// Whether the editor widget of any row has the keyboard focus.
    bool editorHasFocus() const;

    /// A new editor of the kind with this feature identifier (255 is the
    /// path), or null for an identifier no kind has.
    static SequencerProperty *create(qint64 featureId, const QSharedPointer<VyraCamera> &camera,
                                     QObject *eventFilter, QWidget *parent);

signals:
    /// The user changed a value in one of the widgets.
    void edited();
    /// A value beyond what the camera allows was replaced by the limit;
    /// explanation says which limit, for the user.
    void valueLimited(const QString &explanation);

public slots:
    /// Re-reads ranges, steps and units from the camera into the widgets and
    /// shows the set's values again within them. A camera that does not
    /// answer leaves the ranges as they were.
    void updateSettings();

protected:
    /// Reads the ranges from the camera into the widgets. Throws
    /// VyraCameraException.
    virtual void readRanges() = 0;
    /// Puts the values into the widgets (their signals are blocked).
    virtual void fillWidgets(const SetParameters &values) = 0;
    /// Announces an edit whenever the widget's value changes.
    void watch(QWidget *editor);
    /// Appends a row; a null label or editor widget adds nothing.
    void addRow(QWidget *label, QWidget *editor);
    /// The bold first label that names the feature.
    QLabel *createHeaderLabel(const QString &text);
    /// A plain label of one part of the feature ("     Red").
    QLabel *createSubLabel(const QString &text);
    /// Shows value in box within [minimum, maximum]; a value outside is shown
    /// as it is and marked. The tooltip says what the camera allows.
    template<typename Box, typename Value>
    static void showWithin(Box *box, Value value, Value minimum, Value maximum,
                           const QString &allowed);
    /// The values shown last.
    const SetParameters &shownValues() const { return m_shown; }

private:
    static void markOutside(QAbstractSpinBox *box, bool outside, const QString &allowed);

    QSharedPointer<VyraCamera> m_camera;
    QObject *m_eventFilter;
    QList<Row> m_rows;
    QList<QWidget *> m_watched;
    SetParameters m_shown;
};

template<typename Box, typename Value>
void SequencerProperty::showWithin(Box *box, Value value, Value minimum, Value maximum,
                                   const QString &allowed)
{
    const bool outside = value < minimum || value > maximum;
    const Value lowest = std::min(minimum, value);
    const Value highest = std::max(maximum, value);
    // A box being typed into keeps its text while it shows the value already.
    if (box->minimum() != lowest || box->maximum() != highest)
        box->setRange(lowest, highest);
    if (box->value() != value)
        box->setValue(value);
    markOutside(box, outside, allowed);
}
