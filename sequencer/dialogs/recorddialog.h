#pragma once

#include <QDialog>

#include "imagerecorder.h"

namespace Ui {
class RecordDialog;
}

/// Asks how to record: the folder the recording's own folder is made in,
/// the file format, a number of cycles or "until stopped", and, where the
/// build can fuse, whether each cycle's fused image is written too. The settings
/// it returns name the chosen folder; the recording makes its folder inside.
/// What it was accepted with is kept in the user's settings store, for the
/// next time it opens, in this run or the next (lastSettings()).
class RecordDialog : public QDialog
{
    Q_OBJECT

public:
    /// Shows these settings to start from.
    explicit RecordDialog(const ImageRecorder::Settings &settings, QWidget *parent = nullptr);
    ~RecordDialog() override;

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
};
