#include "recorddialog.h"
#include "ui_recorddialog.h"

#include <QFileDialog>
#include <QPushButton>

#include "stylesheet.h"

RecordDialog::RecordDialog(const ImageRecorder::Settings &settings, QWidget *parent)
    : QDialog(parent), ui(new Ui::RecordDialog)
{
    ui->setupUi(this);
    setStyleSheet(loadStyleSheet(QStringLiteral("base.qss")));
    ui->buttonBox->button(QDialogButtonBox::Ok)->setText(tr("Record"));
    ui->le_folder->setText(settings.folder);
    ui->cb_format->setCurrentIndex(settings.format == ImageFileFormat::Png ? 1 : 0);
    ui->rb_cycles->setChecked(settings.cycles > 0);
    ui->rb_untilStopped->setChecked(settings.cycles <= 0);
    ui->sb_cycles->setValue(std::max(1, settings.cycles));
    ui->sb_cycles->setEnabled(settings.cycles > 0);
    ui->cb_fuse->setChecked(settings.fuseCycles);
    ui->cb_fuse->setVisible(ImageRecorder::canFuseCycles());
    on_le_folder_textChanged(ui->le_folder->text());
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

RecordDialog::~RecordDialog()
{
    delete ui;
}

ImageRecorder::Settings RecordDialog::settings() const
{
    ImageRecorder::Settings chosen;
    chosen.folder = ui->le_folder->text().trimmed();
    chosen.format =
        ui->cb_format->currentIndex() == 1 ? ImageFileFormat::Png : ImageFileFormat::Tiff;
    chosen.cycles = ui->rb_cycles->isChecked() ? ui->sb_cycles->value() : 0;
    chosen.fuseCycles = ImageRecorder::canFuseCycles() && ui->cb_fuse->isChecked();
    return chosen;
}

void RecordDialog::on_pb_browse_clicked()
{
    const QString folder =
        QFileDialog::getExistingDirectory(this, tr("Record into Folder"), ui->le_folder->text());
    if (!folder.isEmpty())
        ui->le_folder->setText(folder);
}

void RecordDialog::on_le_folder_textChanged(const QString &text)
{
    ui->buttonBox->button(QDialogButtonBox::Ok)->setEnabled(!text.trimmed().isEmpty());
}

void RecordDialog::on_rb_cycles_toggled(bool checked)
{
    ui->sb_cycles->setEnabled(checked);
}
