#include "sequenceproblem.h"

#include <QCoreApplication>

namespace {

QString where(int set)
{
    return set < 0 ? QString() : QCoreApplication::translate("SequenceProblem", "Set %1: ").arg(set);
}

} // namespace

QString SequenceProblem::message() const
{
    if (value.isEmpty())
        return where(set) + QStringLiteral("%1: %2.").arg(what, allowed);
    return where(set) + QCoreApplication::translate("SequenceProblem", "%1 %2, the camera allows %3.")
                            .arg(what, value, allowed);
}

QString SequenceProblem::fittedMessage() const
{
    if (fitted.isEmpty())
        return message();
    return where(set) +
           QCoreApplication::translate("SequenceProblem", "%1 %2 became %3, the camera allows %4.")
               .arg(what, value, fitted, allowed);
}
