#pragma once

#include <QDialog>

#include "cameralimits.h"
#include "sequence.h"
#include "setgenerator.h"

namespace Ui {
class GenerateSetsDialog;
}
class VyraCamera;

/// Makes a whole sequence in one step: an exposure bracket, a gain sweep or
/// AOI tiles (SetGenerator), shown as a table of the sets before OK. Values
/// the camera cannot take at the run rate are marked in the table with what
/// they become; the sets it returns hold those. Where the sequence has sets
/// already it asks whether the new ones replace them or follow them.
class GenerateSetsDialog : public QDialog
{
    Q_OBJECT

public:
    /// What the sets are made from: the camera's values, which every set
    /// keeps but for those it varies, its limits at the run rate, and where
    /// its AOI can lie.
    struct Camera
    {
        SetParameters values;
        CameraLimits limits;
        SetGenerator::TileGeometry tiles;
        bool hasMasterGain = true;

        /// Reads them from the camera as it is now. Throws
        /// VyraCameraException.
        static Camera of(VyraCamera &camera);
    };

    /// existingSets: how many sets the sequence has now.
    GenerateSetsDialog(const Camera &camera, int existingSets, QWidget *parent = nullptr);
    ~GenerateSetsDialog() override;

    /// The new sets as the preview shows them: linked into a ring, with the
    /// features they vary, every value within what the camera allows.
    Sequence sets() const;
    /// The new sets take the place of those the sequence has.
    bool replacesSets() const;

private:
    /// The sets as asked for, before they are fitted to the camera.
    Sequence requested() const;
    void showPreview();
    void showGainStep(const Sequence &sets);
    void showTiles();
    /// Whether OK can make the sets, and if not, why.
    QString whyNot(const Sequence &sets) const;

    Ui::GenerateSetsDialog *ui;
    Camera m_camera;
    int m_existingSets;
};
