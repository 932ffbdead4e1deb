#include "modalanswerer.h"

#include <QtTest>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>

ModalAnswerer::ModalAnswerer()
{
    timer.setInterval(10);
    connect(&timer, &QTimer::timeout, this, &ModalAnswerer::poll);
    timer.start();
}

void ModalAnswerer::answer(std::function<void(QWidget *)> handler)
{
    handlers.append(std::move(handler));
}

void ModalAnswerer::pressInNextMessageBox(QMessageBox::StandardButton button)
{
    answer([button](QWidget *widget) {
        auto *box = qobject_cast<QMessageBox *>(widget);
        if (box && box->button(button))
            box->button(button)->click();
        else if (auto *dialog = qobject_cast<QDialog *>(widget))
            dialog->reject();
    });
}

void ModalAnswerer::typeInNextFileDialog(const QString &path)
{
    answer([path](QWidget *widget) {
        auto *dialog = qobject_cast<QFileDialog *>(widget);
        QVERIFY(dialog);
        // Typed as a person types it: a name that does not exist yet cannot
        // be selected.
        auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        name->setText(path);
        QMetaObject::invokeMethod(dialog, "accept");
    });
}

int ModalAnswerer::pendingAnswers() const
{
    return handlers.size();
}

int ModalAnswerer::unexpected() const
{
    return unexpectedCount;
}

void ModalAnswerer::poll()
{
    QWidget *widget = QApplication::activeModalWidget();
    // A handler may wait inside the event loop or open a box of its own;
    // while it runs, its widget is not offered again.
    if (!widget || !widget->isVisible() || handling.contains(widget))
        return;
    if (auto *box = qobject_cast<QMessageBox *>(widget)) {
        messages.append({box->windowTitle(), box->text(), box->icon(), box->standardButtons(),
                         box->styleSheet()});
    }
    if (!handlers.isEmpty()) {
        // Run the handler from a posted call, not from this timer's slot: a
        // timer is not fired again while its slot runs, so boxes that the
        // handler opens would otherwise never be answered.
        handling.append(widget);
        QPointer<QWidget> target(widget);
        QMetaObject::invokeMethod(
            this,
            [this, target, widget, handler = handlers.takeFirst()] {
                if (target)
                    handler(target);
                handling.removeAll(widget);
            },
            Qt::QueuedConnection);
        return;
    }
    ++unexpectedCount;
    if (auto *box = qobject_cast<QMessageBox *>(widget)) {
        QAbstractButton *button = box->defaultButton();
        if (!button)
            button = box->buttons().value(0);
        if (button) {
            button->click();
            return;
        }
    }
    if (auto *dialog = qobject_cast<QDialog *>(widget))
        dialog->reject();
    else
        widget->close();
}
