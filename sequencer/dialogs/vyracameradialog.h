#pragma once

#include <QDialog>
#include <QModelIndex>

namespace Ui {
class VyraCameraDialog;
}
class VyraCameraListModel;

/// Lets the user pick one of the connected cameras. The list is read anew
/// each time the dialog opens and follows cameras being plugged in or out
/// while it is open; the chosen camera's device ID is kept until the next
/// choice.
class VyraCameraDialog : public QDialog
{
    Q_OBJECT

public:
    explicit VyraCameraDialog(QWidget *parent = nullptr);
    ~VyraCameraDialog() override;

    /// The device ID of the camera chosen last; -1 before any choice.
    int selectedDeviceId() const;
    /// The camera this program has open, -1 when none is: the list names it
    /// as this program's rather than as one in use, and it may be chosen
    /// again. Read at the next exec().
    void setOpenDeviceId(int deviceId);

public slots:
    /// Shows a fresh camera list and runs the dialog modally; Accepted when a
    /// camera was chosen.
    int exec() override;

protected:
    void showEvent(QShowEvent *event) override;

private slots:
    void on_buttonBox_accepted();
    void on_buttonBox_rejected();
    void on_tableView_doubleClicked(QModelIndex index);

private:
    /// Grows the dialog until every row and every column shows whole, within
    /// the screen; it never shrinks below the size it has.
    void fitToRows();

    Ui::VyraCameraDialog *ui;
    VyraCameraListModel *model = nullptr;
    int deviceId = -1;
    int openDeviceId = -1;
};
