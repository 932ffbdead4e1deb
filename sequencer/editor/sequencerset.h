#pragma once

#include <QGroupBox>
#include <QList>

#include "setparameters.h"

class QContextMenuEvent;
class QEvent;
class QFormLayout;
class QMouseEvent;
class QPaintEvent;
class QResizeEvent;
class SequencerProperty;
class SequencerSetEventFilter;
class SetThumbnail;

/// One set of the sequence in the workspace: a group box titled "Set " and
/// its index, and, once the workspace shows it, where its path leads
/// ("Set 2 → 3"), holding the rows of one editor per varied feature and of the
/// set's path editor. It shows the set's values as the sequence model holds
/// them and announces each edit with valuesEdited(); it is drawn plain,
/// hovered, focused or both, or marked while the camera takes images with it.
///
/// Giving the set or any of its editors the keyboard focus selects it, which
/// loads its values into the live camera (SequencePreview).
class SequencerSet : public QGroupBox
{
    Q_OBJECT

public:
    /// Every set is at least this many pixels wide, and wider where its
    /// editors need it to show their whole values.
    static constexpr int fixedWidth = 200;

    explicit SequencerSet(qint32 index, QWidget *parent = nullptr);
    /// Deletes the editors first, while the set they sit in is whole.
    ~SequencerSet() override;

    /// Takes over an editor: the path editor (identifier 255) becomes the
    /// set's path, any other joins the feature editors. Its rows are added at
    /// the end of the form.
    void addProperty(SequencerProperty *property);
    /// Deletes the first feature editor with this identifier, if any, and
    /// fits the set's height to what is left.
    void removeProperty(qint64 featureId);
    const QList<SequencerProperty *> &properties() const;
    SequencerProperty *pathProperty() const;

    qint32 index() const;
    /// Renumbers the set; the title follows.
    void setIndex(qint32 index);
    /// Shows the set the camera takes after this one in the title, and
    /// whether the camera ever takes this one, starting from the first set:
    /// a set it never takes is greyed and says so in its tool tip.
    void showPath(int successor, bool reached);

    /// Shows the set's values in every editor; nothing is announced as an
    /// edit.
    void showValues(const SetParameters &values);
    /// The values shown.
    const SetParameters &values() const;

    /// The filter to install on every row widget of the set's editors.
    SequencerSetEventFilter *focusFilter() const;

    void updateStyleSheet(bool hovered, bool focused);
    /// Marks the set as the one the camera is using, or clears the mark.
    void setHighlighted(bool on);
    /// Shows the set as the one the user works on, whether or not the
    /// window has the focus just now.
    void setSelected(bool selected);

    /// The set's latest image while the sequence runs, above its editors.
    SetThumbnail *thumbnail() const;
    /// Shows or hides the thumbnail; the set's height follows.
    void showThumbnail(bool shown);

signals:
    /// The set gained the user's attention (set is this set) or lost it
    /// (set is null).
    void selectedEvent(SequencerSet *set);
    /// The set asks to be removed.
    void deleteEvent(SequencerSet *set);
    /// The user changed the values of the set with this index in the editor
    /// of the feature (255: the path).
    void valuesEdited(int index, const SetParameters &values, qint64 featureId);

protected:
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    /// Selects the set, then offers its actions (Duplicate Set, Delete Set).
    void contextMenuEvent(QContextMenuEvent *event) override;

protected slots:
    virtual void mouseButtonRightClicked(QMouseEvent *mouse);
    virtual void mouseButtonLeftClicked(QMouseEvent *mouse);
    virtual void focusIn();
    virtual void focusOut();
    virtual void keyDeletePressed();

private:
    void fitHeight();
    void showTitle();
    bool anyEditorHasFocus() const;
    void announceEdit(const SequencerProperty *property);

    QFormLayout *m_form;
    QList<SequencerProperty *> m_properties;
    SequencerProperty *m_pathProperty = nullptr;
    bool m_hovered = false;
    bool m_selected = false;
    bool m_paintedFocus = false;
    bool m_paintedHover = false;
    // The flags of the look set last; a new width keeps them.
    bool m_styledHover = false;
    bool m_styledFocus = false;
    qint32 m_index;
    /// The set the path leads to; -1 until the workspace shows it.
    int m_successor = -1;
    SetParameters m_values;
    SequencerSetEventFilter *m_focusFilter;
    SetThumbnail *m_thumbnail;
};
