#include "messagebox.h"

#include <QPointer>

#include "stylesheet.h"

namespace {

QMessageBox::StandardButton runMessageBox(QWidget *parent, const QString &text,
                                          const QString &title,
                                          QMessageBox::StandardButtons buttons,
                                          QMessageBox::Icon icon)
{
    QPointer<QMessageBox> box = createMessageBox(parent, text, title, buttons);
    box->setIcon(icon);
    const int result = box->exec();
    // The box is the parent's child only so that it is centred on it and
    // styled like it; once answered it is of no further use. The parent may
    // have been destroyed while the box ran (its deletion takes the box along).
    delete box.data();
    return static_cast<QMessageBox::StandardButton>(result);
}

} // namespace

QString messageBoxTitle()
{
    return QStringLiteral("Vyra Sequencer");
}

QMessageBox *createMessageBox(QWidget *parent, const QString &text, const QString &title,
                              QMessageBox::StandardButtons buttons)
{
    auto *box = new QMessageBox(parent);
    box->setStandardButtons(buttons);
    box->setText(text);
    box->setWindowTitle(title);
    box->setStyleSheet(loadStyleSheet(QStringLiteral("base.qss")));
    return box;
}

QMessageBox::StandardButton showCritical(QWidget *parent, const QString &text, const QString &title)
{
    return runMessageBox(parent, text, title, QMessageBox::Ok, QMessageBox::Critical);
}

QMessageBox::StandardButton showInformation(QWidget *parent, const QString &text,
                                            const QString &title)
{
    return runMessageBox(parent, text, title, QMessageBox::Ok, QMessageBox::Information);
}

QMessageBox::StandardButton showWarning(QWidget *parent, const QString &text, const QString &title)
{
    return runMessageBox(parent, text, title, QMessageBox::Ok, QMessageBox::Warning);
}

QMessageBox::StandardButton askQuestion(QWidget *parent, const QString &text,
                                        QMessageBox::StandardButton first,
                                        QMessageBox::StandardButton second, const QString &title)
{
    return runMessageBox(parent, text, title, first | second, QMessageBox::Information);
}
