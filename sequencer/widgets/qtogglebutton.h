#pragma once

#include <QCheckBox>
#include <QString>

class QMouseEvent;

/// One row of the Properties dock: switches a sequencer feature on or off.
/// Checked it is drawn as a blue row, and every change of its state, by the
/// user or by code, is reported with the feature's id.
class QToggleButton : public QCheckBox
{
    Q_OBJECT

public:
    QToggleButton(quint32 id, QString text, QWidget *parent = nullptr);

signals:
    /// Emitted after every change of the checked state.
    void toggle(quint32 id, bool checked);

protected slots:
    void toggled(bool checked);
    /// Flips the state on the press of any mouse button.
    void mousePressEvent(QMouseEvent *event) override;

private:
    quint32 id;
    QString savedStyleSheet;
};
