#include "clampingdoublespinbox.h"

#include <QMetaObject>

ClampingDoubleSpinBox::ClampingDoubleSpinBox(QWidget *parent) : QDoubleSpinBox(parent)
{
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
}

QValidator::State ClampingDoubleSpinBox::validate(QString &text, int &position) const
{
    const QValidator::State state = QDoubleSpinBox::validate(text, position);
    double number = 0.0;
    // Intermediate lets the digits be typed; fixup() pulls the number back.
    if (state == QValidator::Invalid && numberIn(text, &number) && number > maximum())
        return QValidator::Intermediate;
    return state;
}

void ClampingDoubleSpinBox::fixup(QString &input) const
{
    double number = 0.0;
    if (!numberIn(input, &number) || number <= maximum()) {
        QDoubleSpinBox::fixup(input);
        return;
    }
    input = prefix() + textFromValue(maximum()) + suffix();
    // fixup() is const by the base class's contract; the announcement is
    // queued so that it follows the value the correction makes.
    auto *self = const_cast<ClampingDoubleSpinBox *>(this);
    const double limit = maximum();
    QMetaObject::invokeMethod(
        self, [self, limit] { emit self->valueLimited(limit); }, Qt::QueuedConnection);
}

bool ClampingDoubleSpinBox::numberIn(const QString &text, double *number) const
{
    QString core = text;
    if (!suffix().isEmpty() && core.endsWith(suffix()))
        core.chop(suffix().size());
    if (!prefix().isEmpty() && core.startsWith(prefix()))
        core.remove(0, prefix().size());
    bool ok = false;
    *number = locale().toDouble(core.trimmed(), &ok);
    return ok;
}
