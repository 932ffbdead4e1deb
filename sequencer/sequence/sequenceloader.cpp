#include "sequenceloader.h"

#include <algorithm>
#include <cmath>

#include "sequencer.h"
#include "vyracamera.h"
#include "vyracameraexception.h"
#include "vyradriver.h"

namespace {

// A rate is shown with two decimals: the one found is rounded down to them.
double roundedDown(double fps)
{
    return std::floor(fps * 100.0) / 100.0;
}

} // namespace

SequenceLoader::Result SequenceLoader::load(VyraCamera &camera, Sequencer &sequencer,
                                            const QString &path, double runRate)
{
    const double rateBefore = camera.framerate();
    Result result;
    try {
        camera.setFramerate(camera.framerateRange().minimum);
        sequencer.loadConfiguration(path);
        result.sequence = sequencer.readSequence();
        double longest = 0.0;
        if (result.sequence.varies(VYRA_FEATURE_EXPOSURE)) {
            for (const SetParameters &set : qAsConst(result.sequence.sets))
                longest = std::max(longest, set.exposureMs);
        }
        result.runRate = highestRateFor(camera, longest, runRate);
        if (!result.sequence.isEmpty())
            sequencer.writeSequence(result.sequence);
    } catch (...) {
        try {
            camera.setFramerate(rateBefore);
        } catch (const VyraCameraException &) {
            // The failure that stopped the load is the one reported.
        }
        throw;
    }
    return result;
}

double SequenceLoader::highestRateFor(VyraCamera &camera, double exposureMs, double atMost)
{
    const VyraCamera::FramerateRange range = camera.framerateRange();
    double rate = std::clamp(atMost, range.minimum, range.maximum);
    // The longest exposure shrinks with the frame period; a few steps in
    // proportion to what is missing find a rate that admits it.
    for (int attempt = 0; attempt < 8; ++attempt) {
        rate = camera.setFramerate(rate);
        const double longest = camera.exposureMaximum();
        if (longest >= exposureMs || rate <= range.minimum)
            break;
        rate = std::max(range.minimum, roundedDown(rate * longest / exposureMs * 0.99));
    }
    return rate;
}
