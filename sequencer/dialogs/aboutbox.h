#pragma once

#include <QDialog>

namespace Ui {
class AboutBox;
}

/// The "Camera Application" box of the Help menu: program name, version,
/// legal notice, publisher and the credit for the icons.
class AboutBox : public QDialog
{
    Q_OBJECT

public:
    explicit AboutBox(QWidget *parent = nullptr);
    ~AboutBox() override;

    /// The program version the box shows.
    static QString version();

private slots:
    void on_pushButton_clicked();

private:
    Ui::AboutBox *ui;
};
