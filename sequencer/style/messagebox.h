#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

/// The window title of every message box the application shows.
QString messageBoxTitle();

/// Builds a message box as a child of parent with the given text, window title
/// and buttons, styled with the base style sheet. The caller runs it.
QMessageBox *createMessageBox(QWidget *parent, const QString &text, const QString &title,
                              QMessageBox::StandardButtons buttons);

/// Shows a modal error box with an OK button; returns the pressed button.
QMessageBox::StandardButton showCritical(QWidget *parent, const QString &text,
                                         const QString &title = messageBoxTitle());
/// Shows a modal information box with an OK button; returns the pressed button.
QMessageBox::StandardButton showInformation(QWidget *parent, const QString &text,
                                            const QString &title = messageBoxTitle());
/// Shows a modal warning box with an OK button; returns the pressed button.
QMessageBox::StandardButton showWarning(QWidget *parent, const QString &text,
                                        const QString &title = messageBoxTitle());
/// Asks a modal question offering the two buttons (the application uses Yes
/// and No); returns the pressed button.
QMessageBox::StandardButton askQuestion(QWidget *parent, const QString &text,
                                        QMessageBox::StandardButton first,
                                        QMessageBox::StandardButton second,
                                        const QString &title = messageBoxTitle());
