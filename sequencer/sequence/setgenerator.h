#pragma once

#include <QList>
#include <QSize>

#include "sequence.h"

struct CameraLimits;

/// Builds whole sequences in one step: an exposure bracket, a gain sweep, or
/// tiles of the AOI that cover the sensor. Each result is a ring of new sets
/// (each leads to the next, the last to the first) with the features the
/// kind varies; every value a set does not vary comes from a base set, the
/// camera's values as Add Set takes them.
///
/// Values are made as asked, also where the camera cannot take them:
/// Sequence::problems() names those, and Sequence::fittedTo() pulls them
/// into what the camera allows.
class SetGenerator
{
public:
    /// The master gain's range amplifies the signal from once up to this
    /// many times, evenly along the range: 0 to 100 is 1x to 4x, two stops.
    /// The driver does not report it; it is what the cameras of this
    /// sequencer do, and what the simulated sensor does.
    static constexpr double maximumGainFactor = 4.0;

    /// Exposures a number of stops apart; one stop doubles the exposure.
    struct ExposureBracket
    {
        int count = 5;
        double baseMs = 1.0;
        double stepStops = 1.0;
        /// Upward from the base, or centred on it: the base is always one of
        /// the sets, and with an even count the extra set lies above it.
        bool centred = false;
        /// Exposures longer than the camera allows at the run rate stay at
        /// the longest it allows, and the master gain makes up the light.
        bool gainCompensation = false;
    };

    /// Master gains evenly from one to the other.
    struct GainSweep
    {
        int count = 5;
        int from = 0;
        int to = 100;
    };

    /// Where an AOI can lie: the sensor's image area and the AOI's size, in
    /// image pixels, and the steps its offset moves in.
    struct TileGeometry
    {
        QSize sensor;
        QSize image;
        QSize offsetIncrement;
    };

    static Sequence exposureBracket(const ExposureBracket &bracket, const SetParameters &base,
                                    const CameraLimits &limits);
    static Sequence gainSweep(const GainSweep &sweep, const SetParameters &base);
    /// One set per tile, row by row from the top left: the fewest columns and
    /// rows of offsets, evenly spread, whose AOIs together cover the sensor
    /// without reaching beyond it.
    static Sequence aoiTiles(const TileGeometry &geometry, const SetParameters &base);
    /// The columns and rows aoiTiles() makes.
    static QSize tileGrid(const TileGeometry &geometry);

private:
    /// The master gain that amplifies as much as gain amplifies, times
    /// factor, on a camera with these limits (the result may lie beyond
    /// them).
    static int gainAmplifiedBy(int gain, double factor, const CameraLimits &limits);
    /// The offsets along one side of the sensor.
    static QList<int> tileOffsets(int sensor, int image, int increment);
    /// Links the sets into one ring in list order.
    static Sequence ring(QList<SetParameters> sets, QList<qint64> features);
};
