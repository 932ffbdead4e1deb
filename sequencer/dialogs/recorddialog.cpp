#include "recorddialog.h"
#include "ui_recorddialog.h"

#include <QDir>
#include <QFileDialog>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>

#include "notoffered.h"
#include "stylesheet.h"

namespace {

// The window's settings store.
const char settingsOrganisation[] = "Quellmark";
const char settingsApplication[] = "Vyra Sequencer";
const char folderKey[] = "record/folder";
const char formatKey[] = "record/format";
const char cyclesKey[] = "record/cycles";
const char fuseKey[] = "record/fuse";
const char radianceKey[] = "record/radiance";

QString defaultRecordingFolder()
{
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return QDir(pictures.isEmpty() ? QDir::homePath() : pictures)
        .filePath(QStringLiteral("Vyra Sequencer"));
}

} // namespace

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
    ui->cb_radiance->setChecked(settings.mergeRadiance);
    m_fuseTip = ui->cb_fuse->toolTip();
    m_radianceTip = ui->cb_radiance->toolTip();
    m_fuseWanted = settings.fuseCycles;
    m_radianceWanted = settings.mergeRadiance;
    on_le_folder_textChanged(ui->le_folder->text());
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(this, &QDialog::accepted, this, &RecordDialog::storeSettings);
}

RecordDialog::~RecordDialog()
{
    delete ui;
}

void RecordDialog::setCycleImagesOffered(const QString &whyNot)
{
    if (!whyNot.isEmpty()) {
        // Not ticked where it would do nothing; the choice is kept for a run
        // where it will.
        m_fuseWanted = ui->cb_fuse->isChecked();
        m_radianceWanted = ui->cb_radiance->isChecked();
        for (QCheckBox *option : {ui->cb_fuse, ui->cb_radiance}) {
            option->setChecked(false);
            showNotOffered(option, whyNot);
        }
        return;
    }
    ui->cb_fuse->setEnabled(true);
    ui->cb_fuse->setToolTip(m_fuseTip);
    ui->cb_radiance->setEnabled(true);
    ui->cb_radiance->setToolTip(m_radianceTip);
}

ImageRecorder::Settings RecordDialog::settings() const
{
    ImageRecorder::Settings chosen;
    chosen.folder = ui->le_folder->text().trimmed();
    chosen.format =
        ui->cb_format->currentIndex() == 1 ? ImageFileFormat::Png : ImageFileFormat::Tiff;
    chosen.cycles = ui->rb_cycles->isChecked() ? ui->sb_cycles->value() : 0;
    chosen.fuseCycles = ImageRecorder::canFuseCycles() && ui->cb_fuse->isChecked();
    chosen.mergeRadiance = ui->cb_radiance->isChecked();
    return chosen;
}

ImageRecorder::Settings RecordDialog::lastSettings()
{
    ImageRecorder::Settings last;
    last.folder = defaultRecordingFolder();
    last.cycles = 1;
    const QSettings store(QString::fromLatin1(settingsOrganisation),
                          QString::fromLatin1(settingsApplication));
    // Values edited by hand into something else are forgotten.
    const QString folder = store.value(QString::fromLatin1(folderKey)).toString().trimmed();
    if (!folder.isEmpty())
        last.folder = folder;
    if (store.value(QString::fromLatin1(formatKey)).toString() ==
        ImageFileWriter::suffix(ImageFileFormat::Png))
        last.format = ImageFileFormat::Png;
    bool ok = false;
    const int cycles = store.value(QString::fromLatin1(cyclesKey)).toInt(&ok);
    if (ok && cycles >= 0)
        last.cycles = cycles;
    last.fuseCycles = store.value(QString::fromLatin1(fuseKey)).toBool();
    last.mergeRadiance = store.value(QString::fromLatin1(radianceKey)).toBool();
    return last;
}

void RecordDialog::storeSettings()
{
    const ImageRecorder::Settings chosen = settings();
    QSettings store(QString::fromLatin1(settingsOrganisation),
                    QString::fromLatin1(settingsApplication));
    store.setValue(QString::fromLatin1(folderKey), chosen.folder);
    store.setValue(QString::fromLatin1(formatKey), ImageFileWriter::suffix(chosen.format));
    store.setValue(QString::fromLatin1(cyclesKey), chosen.cycles);
    // What the person ticked is kept even where this run could not use it.
    const bool offered = ui->cb_radiance->isEnabled();
    store.setValue(QString::fromLatin1(fuseKey), offered ? ui->cb_fuse->isChecked() : m_fuseWanted);
    store.setValue(QString::fromLatin1(radianceKey),
                   offered ? ui->cb_radiance->isChecked() : m_radianceWanted);
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
