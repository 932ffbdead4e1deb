#include "generatesetsdialog.h"
#include "ui_generatesetsdialog.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QPushButton>
#include <QStringList>

#include <algorithm>

#include "stylesheet.h"
#include "vyracamera.h"
#include "vyradriver.h"

namespace {

enum Kind { Bracket, Sweep, Tiles };

// What the camera cannot take is written in this red, beside what it becomes.
const QColor limitedColour(0xC0, 0x30, 0x24);

QString milliseconds(double value)
{
    return QStringLiteral("%1 ms").arg(value, 0, 'f', 2);
}

QString pixels(int value)
{
    return QStringLiteral("%1 px").arg(value);
}

/// A column of the preview: the feature it shows and how it reads a set.
struct Column
{
    QString title;
    qint64 feature;
    QString (*text)(const SetParameters &);
};

QList<Column> columnsFor(const QList<qint64> &features)
{
    static const QList<Column> all = {
        {QStringLiteral("Exposure"), VYRA_FEATURE_EXPOSURE,
         [](const SetParameters &s) { return milliseconds(s.exposureMs); }},
        {QStringLiteral("Gain"), VYRA_FEATURE_GAIN,
         [](const SetParameters &s) { return QString::number(s.masterGain); }},
        {QStringLiteral("AOI Offset X"), VYRA_FEATURE_AOI_OFFSET_X,
         [](const SetParameters &s) { return pixels(s.aoiOffset.x()); }},
        {QStringLiteral("AOI Offset Y"), VYRA_FEATURE_AOI_OFFSET_Y,
         [](const SetParameters &s) { return pixels(s.aoiOffset.y()); }},
    };
    QList<Column> shown;
    for (const Column &column : all) {
        if (features.contains(column.feature))
            shown << column;
    }
    return shown;
}

} // namespace

GenerateSetsDialog::Camera GenerateSetsDialog::Camera::of(VyraCamera &camera)
{
    Camera read;
    read.values = SetParameters::ofCamera(camera);
    read.limits = CameraLimits::of(camera);
    read.tiles.sensor = camera.aoiSizeMaximum();
    read.tiles.image = camera.aoi().size();
    read.tiles.offsetIncrement = camera.aoiPosIncrement();
    read.hasMasterGain = camera.isMasterGainSupported();
    return read;
}

GenerateSetsDialog::GenerateSetsDialog(const Camera &camera, int existingSets, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::GenerateSetsDialog)
    , m_camera(camera)
    , m_existingSets(existingSets)
{
    ui->setupUi(this);
    setStyleSheet(loadStyleSheet(QStringLiteral("base.qss")));
    ui->sb_bracketCount->setMaximum(Sequence::maximumSetCount);
    ui->sb_sweepCount->setMaximum(Sequence::maximumSetCount);
    ui->sb_gainFrom->setRange(camera.limits.gainMinimum, camera.limits.gainMaximum);
    ui->sb_gainTo->setRange(camera.limits.gainMinimum, camera.limits.gainMaximum);
    ui->sb_gainTo->setValue(camera.limits.gainMaximum);
    // A bracket starts from what the camera shows now.
    ui->dsb_baseExposure->setValue(camera.values.exposureMs);
    if (!camera.hasMasterGain) {
        const QString lacking = tr("The camera has no master gain.");
        ui->cb_gainCompensation->setEnabled(false);
        ui->cb_gainCompensation->setToolTip(lacking);
        ui->tw_kind->setTabEnabled(Sweep, false);
        ui->tw_kind->setTabToolTip(Sweep, lacking);
    }

    ui->gb_existing->setVisible(existingSets > 0);
    ui->gb_existing->setTitle(existingSets == 1 ? tr("The sequence has 1 set")
                                                : tr("The sequence has %1 sets").arg(existingSets));
    ui->tw_preview->verticalHeader()->hide();
    // Rows as tight as the text: a bracket of a few sets shows whole.
    ui->tw_preview->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    ui->tw_preview->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    showTiles();

    for (QSpinBox *box : {ui->sb_bracketCount, ui->sb_sweepCount, ui->sb_gainFrom, ui->sb_gainTo})
        connect(box, QOverload<int>::of(&QSpinBox::valueChanged), this,
                &GenerateSetsDialog::showPreview);
    for (QDoubleSpinBox *box : {ui->dsb_baseExposure, ui->dsb_stepStops})
        connect(box, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
                &GenerateSetsDialog::showPreview);
    connect(ui->cb_direction, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &GenerateSetsDialog::showPreview);
    connect(ui->cb_gainCompensation, &QCheckBox::toggled, this, &GenerateSetsDialog::showPreview);
    connect(ui->tw_kind, &QTabWidget::currentChanged, this, &GenerateSetsDialog::showPreview);
    connect(ui->rb_replace, &QRadioButton::toggled, this, &GenerateSetsDialog::showPreview);
    connect(ui->rb_append, &QRadioButton::toggled, this, &GenerateSetsDialog::showPreview);
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    showPreview();
}

GenerateSetsDialog::~GenerateSetsDialog()
{
    delete ui;
}

Sequence GenerateSetsDialog::sets() const
{
    return requested().fittedTo(m_camera.limits);
}

bool GenerateSetsDialog::replacesSets() const
{
    return ui->rb_replace->isChecked();
}

Sequence GenerateSetsDialog::requested() const
{
    switch (ui->tw_kind->currentIndex()) {
    case Bracket: {
        SetGenerator::ExposureBracket bracket;
        bracket.count = ui->sb_bracketCount->value();
        bracket.baseMs = ui->dsb_baseExposure->value();
        bracket.stepStops = ui->dsb_stepStops->value();
        bracket.centred = ui->cb_direction->currentIndex() == 1;
        bracket.gainCompensation = m_camera.hasMasterGain && ui->cb_gainCompensation->isChecked();
        return SetGenerator::exposureBracket(bracket, m_camera.values, m_camera.limits);
    }
    case Sweep:
        return SetGenerator::gainSweep(
            {ui->sb_sweepCount->value(), ui->sb_gainFrom->value(), ui->sb_gainTo->value()},
            m_camera.values);
    default:
        return SetGenerator::aoiTiles(m_camera.tiles, m_camera.values);
    }
}

void GenerateSetsDialog::showPreview()
{
    const Sequence sets = requested();
    const Sequence fitted = sets.fittedTo(m_camera.limits);
    const QList<Column> columns = columnsFor(sets.features);
    // Appended, the sets follow those there are, and the last leads back to
    // the first of the sequence.
    const int first = ui->rb_append->isChecked() ? m_existingSets : 0;

    QTableWidget *table = ui->tw_preview;
    table->clear();
    table->setRowCount(sets.setCount());
    table->setColumnCount(int(columns.size()) + 1);
    QStringList titles{tr("Set")};
    for (const Column &column : columns)
        titles << column.title;
    table->setHorizontalHeaderLabels(titles);
    for (int row = 0; row < sets.setCount(); ++row) {
        const int next = row + 1 < sets.setCount() ? first + row + 1 : 0;
        table->setItem(row, 0,
                       new QTableWidgetItem(QStringLiteral("%1 → %2").arg(first + row).arg(next)));
        for (int c = 0; c < columns.size(); ++c)
            table->setItem(row, c + 1, new QTableWidgetItem(columns.at(c).text(sets.sets.at(row))));
    }

    bool limited = false;
    for (const SequenceProblem &problem : sets.problems(m_camera.limits)) {
        // Too many sets for the camera is said below the table.
        if (problem.set < 0)
            continue;
        for (int c = 0; c < columns.size(); ++c) {
            if (columns.at(c).feature != problem.feature)
                continue;
            QTableWidgetItem *item = table->item(problem.set, c + 1);
            const QString becomes = columns.at(c).text(fitted.sets.at(problem.set));
            item->setText(QStringLiteral("%1 → %2").arg(item->text(), becomes));
            item->setForeground(limitedColour);
            item->setToolTip(tr("%1 %2 becomes %3: the camera allows %4.")
                                 .arg(problem.what, problem.value, becomes, problem.allowed));
            limited = true;
        }
    }

    showGainStep(sets);
    const QString reason = whyNot(sets);
    QStringList notes;
    if (limited) {
        notes << tr("Values in red are beyond what the camera allows at %1 fps; the sets take "
                    "what follows the arrow.")
                     .arg(m_camera.limits.framerate, 0, 'f', 2);
    }
    if (!reason.isEmpty())
        notes << reason;
    ui->l_note->setText(notes.join(QLatin1Char('\n')));
    ui->l_note->setVisible(!notes.isEmpty());
    ui->buttonBox->button(QDialogButtonBox::Ok)->setEnabled(reason.isEmpty());
}

void GenerateSetsDialog::showGainStep(const Sequence &sets)
{
    const QString longest = milliseconds(m_camera.limits.exposureMaximum);
    const QString framerate = QString::number(m_camera.limits.framerate, 'f', 2);
    if (!ui->cb_gainCompensation->isChecked() || !m_camera.hasMasterGain) {
        ui->l_gainStep->setText(
            tr("The longest exposure at %1 fps is %2.").arg(framerate, longest));
        return;
    }
    if (!sets.varies(VYRA_FEATURE_GAIN)) {
        ui->l_gainStep->setText(tr("Every exposure fits within %1, the longest at %2 fps: no "
                                   "gain is needed.")
                                    .arg(longest, framerate));
        return;
    }
    // The gain rises from set to set where the exposure can rise no more.
    QStringList steps;
    int gain = m_camera.values.masterGain;
    for (const SetParameters &set : sets.sets) {
        if (set.masterGain != gain)
            steps << QStringLiteral("+%1").arg(set.masterGain - gain);
        gain = set.masterGain;
    }
    ui->l_gainStep->setText(
        tr("Exposures stop at %1, the longest at %2 fps; the master gain makes up the rest, in "
           "steps of %3 (its %4 to %5 amplify 1 to %6 times).")
            .arg(longest, framerate, steps.join(QStringLiteral(", ")))
            .arg(m_camera.limits.gainMinimum)
            .arg(m_camera.limits.gainMaximum)
            .arg(SetGenerator::maximumGainFactor));
}

void GenerateSetsDialog::showTiles()
{
    const SetGenerator::TileGeometry &tiles = m_camera.tiles;
    const QSize grid = SetGenerator::tileGrid(tiles);
    const QString sizes = tr("The sensor is %1 x %2 pixels and the image %3 x %4")
                              .arg(tiles.sensor.width())
                              .arg(tiles.sensor.height())
                              .arg(tiles.image.width())
                              .arg(tiles.image.height());
    if (grid == QSize(1, 1)) {
        ui->l_tiles->setText(sizes + tr(": there is nothing to tile."));
        return;
    }
    const QString columns = grid.width() == 1 ? tr("1 column") : tr("%1 columns").arg(grid.width());
    const QString rows = grid.height() == 1 ? tr("1 row") : tr("%1 rows").arg(grid.height());
    ui->l_tiles->setText(sizes + tr(": %1 x %2 of AOI offsets cover the sensor, one set each, row "
                                    "by row from the top left. The image size is set in Camera > "
                                    "Image Size.")
                                     .arg(columns, rows));
}

QString GenerateSetsDialog::whyNot(const Sequence &sets) const
{
    const int kind = ui->tw_kind->currentIndex();
    if (kind == Sweep && !m_camera.hasMasterGain)
        return tr("The camera has no master gain.");
    if (kind == Tiles && sets.setCount() < 2) {
        return tr("The image is as large as the sensor: make it smaller in Camera > Image Size to "
                  "scan the sensor in tiles.");
    }
    const int total = (ui->rb_append->isChecked() ? m_existingSets : 0) + sets.setCount();
    const int most = std::min(Sequence::maximumSetCount, m_camera.limits.setCapacity);
    if (total > most)
        return tr("A sequence holds at most %1 sets; these would make %2.").arg(most).arg(total);
    if (m_existingSets > 0 && !ui->rb_replace->isChecked() && !ui->rb_append->isChecked())
        return tr("Choose whether the new sets replace the sets there are or follow them.");
    return QString();
}
