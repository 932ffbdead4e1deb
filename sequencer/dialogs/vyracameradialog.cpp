#include "vyracameradialog.h"
#include "ui_vyracameradialog.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLayout>
#include <QScreen>
#include <QScrollBar>

#include <algorithm>

#include "messagebox.h"
#include "vyracameralistmodel.h"

namespace {

enum Column { AvailableColumn = 0, DeviceIdColumn = 2 };

} // namespace

VyraCameraDialog::VyraCameraDialog(QWidget *parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint)
    , ui(new Ui::VyraCameraDialog)
{
    ui->setupUi(this);
    setWindowTitle(tr("Select Camera"));
}

VyraCameraDialog::~VyraCameraDialog()
{
    delete ui;
    delete model;
}

int VyraCameraDialog::selectedDeviceId() const
{
    return deviceId;
}

void VyraCameraDialog::setOpenDeviceId(int deviceId)
{
    openDeviceId = deviceId;
}

int VyraCameraDialog::exec()
{
    // The driver keeps one registration per handle and event, so the old
    // model's threads must have unregistered before the new ones register;
    // the other way round the old unregistration would cancel the new one.
    delete model;
    model = nullptr;
    model = new VyraCameraListModel(ui->tableView, openDeviceId);
    ui->tableView->setModel(model);
    ui->tableView->setColumnWidth(0, 75);
    ui->tableView->setColumnWidth(1, 75);
    ui->tableView->setColumnWidth(2, 75);
    ui->tableView->setColumnWidth(3, 100);
    return QDialog::exec();
}

void VyraCameraDialog::showEvent(QShowEvent *event)
{
    // Shown, the table has its style and its header its height.
    fitToRows();
    QDialog::showEvent(event);
}

void VyraCameraDialog::fitToRows()
{
    if (!model)
        return;
    QTableView *table = ui->tableView;
    QHeaderView *columns = table->horizontalHeader();
    const int last = model->columnCount() - 1;
    const QAbstractItemView *view = table;
    int width = 2 * table->frameWidth();
    for (int column = 0; column < last; ++column) {
        // A longer entry ("In use by this program") widens its column.
        table->setColumnWidth(
            column, std::max(table->columnWidth(column), view->sizeHintForColumn(column)));
        width += table->columnWidth(column);
    }
    // The last column stretches over what is left; it needs its widest entry.
    width += std::max(view->sizeHintForColumn(last), columns->sectionSizeHint(last));
    const int height =
        2 * table->frameWidth() + columns->height() + table->verticalHeader()->length();
    // What the dialog needs around its table, as its layout places it now.
    layout()->activate();
    const QSize around = size() - table->size();
    // Room for the scroll bars, so that the table never needs them to come
    // out even: a bar that appears takes the room that made the other unneeded.
    const QSize bars(table->verticalScrollBar()->sizeHint().width(),
                     table->horizontalScrollBar()->sizeHint().height());
    QSize wanted = size().expandedTo(QSize(width, height) + around + bars);
    if (const QScreen *shownOn = screen())
        wanted = wanted.boundedTo(shownOn->availableGeometry().size());
    resize(wanted);
}

void VyraCameraDialog::on_buttonBox_accepted()
{
    QItemSelectionModel *selection = ui->tableView->selectionModel();
    const QModelIndexList rows =
        selection ? selection->selectedRows(DeviceIdColumn) : QModelIndexList();
    if (rows.isEmpty()) {
        showWarning(this, tr("No camera selected."), tr("Select Camera"));
        return;
    }
    deviceId = rows.first().data().toInt();
    accept();
}

void VyraCameraDialog::on_buttonBox_rejected()
{
    reject();
}

void VyraCameraDialog::on_tableView_doubleClicked(QModelIndex index)
{
    if (!index.isValid())
        return;
    const QModelIndex available = index.sibling(index.row(), AvailableColumn);
    if (available.data().toString() == QLatin1String("No")) {
        showWarning(this, tr("Camera is already in use."), tr("No camera selected."));
        return;
    }
    deviceId = index.sibling(index.row(), DeviceIdColumn).data().toInt();
    accept();
}
