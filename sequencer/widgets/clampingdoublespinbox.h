#pragma once

#include <QDoubleSpinBox>

/// A spin box for a value with a hard upper limit: a number typed beyond its
/// maximum is taken, and becomes the maximum when the edit ends, instead of
/// the keystroke being refused (which turned "45" typed into a box that ends
/// at 33.33 into 4). Each such correction is announced with valueLimited().
class ClampingDoubleSpinBox : public QDoubleSpinBox
{
    Q_OBJECT

public:
    explicit ClampingDoubleSpinBox(QWidget *parent = nullptr);

    QValidator::State validate(QString &text, int &position) const override;
    void fixup(QString &input) const override;

signals:
    /// A number beyond the maximum was typed and replaced by it.
    void valueLimited(double maximum);

private:
    /// The number a text shows, prefix and suffix left out; false when it
    /// shows none.
    bool numberIn(const QString &text, double *number) const;
};
