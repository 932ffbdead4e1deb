#pragma once

#include <QString>
#include <QWidget>

/// Shows a control as the setting of a camera that does not offer it:
/// disabled, with the reason as its tooltip. A disabled control stays so
/// when its group is enabled again.
inline void showNotOffered(QWidget *control, const QString &reason)
{
    control->setEnabled(false);
    control->setToolTip(reason);
}
