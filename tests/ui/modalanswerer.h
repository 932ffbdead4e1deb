#pragma once

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>

/// Answers the modal dialogs a test provokes. Handlers queued with answer()
/// are given the modal widgets in the order they come up; a message box for
/// which no handler is queued is recorded and closed with its default answer,
/// any other unexpected modal dialog is rejected, so a test never hangs.
/// Every message box seen is recorded.
class ModalAnswerer : public QObject
{
    Q_OBJECT

public:
    /// What a message box showed.
    struct Message
    {
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        QString styleSheet;
    };

    ModalAnswerer();

    /// Queues a handler for the next modal widget.
    void answer(std::function<void(QWidget *)> handler);
    /// Queues pressing the given button of the next message box.
    void pressInNextMessageBox(QMessageBox::StandardButton button);
    /// Queues typing \a path into the next file dialog and accepting it.
    void typeInNextFileDialog(const QString &path);
    int pendingAnswers() const;
    /// Unexpected modal widgets that were closed without a handler.
    int unexpected() const;

    QList<Message> messages;

private:
    void poll();

    QTimer timer;
    QList<std::function<void(QWidget *)>> handlers;
    QList<QWidget *> handling;
    int unexpectedCount = 0;
};
