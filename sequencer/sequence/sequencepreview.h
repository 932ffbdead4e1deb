#pragma once

#include <QObject>
#include <QSharedPointer>

class SequenceModel;
class VyraCamera;

/// The preview rule, in one place: while a sequence is being built, the set
/// the user works on (the set whose editor has the keyboard focus) is loaded
/// into the live camera, so that the live image shows that set as the
/// sequence will take it. A change of that set's values reaches the camera
/// at once. Values the camera refuses are left out without a word: the
/// sequence is checked against the camera before it runs. GUI thread.
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

private:
    void load();

    const SequenceModel *m_model;
    QSharedPointer<VyraCamera> m_camera;
    int m_shown = -1;
};
