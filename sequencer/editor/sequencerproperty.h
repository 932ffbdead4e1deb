#pragma once

#include <QList>
#include <QPair>
#include <QSharedPointer>
#include <QString>
#include <QWidget>

#include "featurevalue.h"

class QLabel;
class QObject;
class VyraCamera;

/// The editor of one feature of a sequencer set: a few labelled input widgets
/// that show the camera's current value and range and write every change
/// straight back into the camera, so the live image shows it at once.
///
/// The editor itself is never shown: it owns the rows (label, editor widget)
/// that its set widget places into its form, and deleting the editor removes
/// them again. Filling the widgets, at construction or from a stored value,
/// never writes to the camera before the change signals are connected.
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
    /// Shows a value read from a stored set (after refreshing the ranges);
    /// the change reaches the camera like an edit.
    virtual void applyValue(const QSharedPointer<FeatureValue> &value) = 0;
    /// The value the widgets show, as the driver stores it: what applyValue
    /// takes. Null for the path editor, whose path is no stored value.
    virtual QSharedPointer<FeatureValue> currentValue() const = 0;

    const QList<Row> &rows() const;
    QSharedPointer<VyraCamera> camera() const;
    /// Whether the editor widget of any row has the keyboard focus.
    bool editorHasFocus() const;

    /// A new editor of the kind with this feature identifier (255 is the
    /// path), or null for an identifier no kind has.
    static SequencerProperty *create(qint64 featureId, const QSharedPointer<VyraCamera> &camera,
                                     QObject *eventFilter, QWidget *parent);

signals:
    /// A value beyond what the camera allows was replaced by the limit;
    /// explanation says which limit, for the user.
    void valueLimited(const QString &explanation);

public slots:
    /// Re-reads ranges, steps and units from the camera into the widgets.
    virtual void updateSettings() = 0;
    /// Writes the widgets' values into the camera. Camera errors are
    /// swallowed: the widget keeps showing the rejected value.
    virtual void setCameraParameters() = 0;

protected:
    /// Appends a row; a null label or editor widget adds nothing.
    void addRow(QWidget *label, QWidget *editor);
    /// The bold first label that names the feature.
    QLabel *createHeaderLabel(const QString &text);
    /// A plain label of one part of the feature ("     Red").
    QLabel *createSubLabel(const QString &text);
    /// Copies the first size bytes of a stored value into target; a shorter
    /// or missing value leaves the rest of target as it was.
    static void copyValue(const QSharedPointer<FeatureValue> &value, void *target,
                          std::size_t size);
    /// A new stored value holding a copy of size bytes from source.
    static QSharedPointer<FeatureValue> valueOf(const void *source, std::size_t size);

private:
    QSharedPointer<VyraCamera> m_camera;
    QObject *m_eventFilter;
    QList<Row> m_rows;
};
