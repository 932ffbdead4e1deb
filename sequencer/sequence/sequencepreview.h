#pragma once

#include <QObject>
#include <QSharedPointer>

#include <optional>

#include "setparameters.h"

class SequenceModel;
class VyraCamera;

/// The preview rule, in one place: while a sequence is being built, the set
/// the user works on (the set whose editor has the keyboard focus) is loaded
/// into the live camera, so that the live image shows that set as the
/// sequence will take it. A change of that set's values reaches the camera
/// at once. Values the camera refuses are left out without a word: the
/// sequence is checked against the camera before it runs.
///
/// It also keeps what the user set for live video: the camera's values from
/// before a set first went into it (by the preview, or by writing the
/// sequence into the camera), which restoreLiveValues() brings back once
/// the sets are gone or the run stopped. GUI thread.
class SequencePreview : public QObject
{
    Q_OBJECT

public:
    SequencePreview(const SequenceModel *model, QSharedPointer<VyraCamera> camera,
                    QObject *parent = nullptr);

    /// Loads the set at index into the live camera; -1 loads nothing (the
    /// camera keeps what it has).
    void show(int index);
    /// The set shown in the live camera, -1 for none.
    int shownSet() const;
    /// Keeps the camera's values as those of live video, unless values are
    /// kept already: call before sets varying these features go into the
    /// camera.
    void keepLiveValues(const QList<qint64> &features);
    /// Brings the live video's values of every feature a set put into the
    /// camera back, and shows no set. Values the camera refuses are left out.
    void restoreLiveValues();

private:
    void load();
    /// Writes each feature of values into the camera, leaving out what it
    /// refuses.
    void write(const SetParameters &values, const QList<qint64> &features);

    const SequenceModel *m_model;
    QSharedPointer<VyraCamera> m_camera;
    int m_shown = -1;
    std::optional<SetParameters> m_live;
    /// The features sets put into the camera since the live values were kept.
    QList<qint64> m_touched;
};
