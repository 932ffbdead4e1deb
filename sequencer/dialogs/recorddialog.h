#pragma once

#include <QDialog>

#include "imagerecorder.h"

namespace Ui {
class RecordDialog;
}

/// Asks how to record: the folder the recording's own folder is made in,
/// the file format, a number of cycles or "until stopped", and whether each
/// cycle's fused image (where the build can fuse) and its radiance are
/// written too; those two are offered only while a bracket runs whose
/// cycles can be merged, and say why not otherwise. The settings it returns
/// name the chosen folder; the recording makes its folder inside.
/// What it was accepted with is kept in the user's settings store, for the
/// next time it opens, in this run or the next (lastSettings()).
class RecordDialog : public QDialog
{
    Q_OBJECT

public:
    /// Shows these settings to start from.
    explicit RecordDialog(const ImageRecorder::Settings &settings, QWidget *parent = nullptr);
    ~RecordDialog() override;

    /// Offers the fused image and the radiance of each cycle when whyNot
    /// is empty; otherwise shows them off with whyNot as their tooltip.
    void setCycleImagesOffered(const QString &whyNot);

    ImageRecorder::Settings settings() const;
    /// What the dialog was last accepted with; on a first start a folder
    /// "Vyra Sequencer" among the user's pictures, TIFF, one cycle.
    static ImageRecorder::Settings lastSettings();

private slots:
    void on_pb_browse_clicked();
    void on_le_folder_textChanged(const QString &text);
    void on_rb_cycles_toggled(bool checked);
    void storeSettings();

private:
    Ui::RecordDialog *ui;
    /// What the fused image and radiance options write, their tooltips
    /// while offered.
    QString m_fuseTip;
    QString m_radianceTip;
    /// What was ticked before the options were shown as not offered.
    bool m_fuseWanted = false;
    bool m_radianceWanted = false;
};
