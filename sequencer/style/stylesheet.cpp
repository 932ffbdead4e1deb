#include "stylesheet.h"

#include <QFile>

QString loadStyleSheet(const QString &name)
{
    QFile file(QStringLiteral(":/style/%1").arg(name));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}
