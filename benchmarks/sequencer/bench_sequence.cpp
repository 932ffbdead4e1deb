// Writing a whole sequence into the camera and reading it back: 32 sets with
// all five features, on the simulated camera. Each figure is the median of
// several rounds; the driver calls are those of one round.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <algorithm>
#include <vector>

#include "sequencer.h"
#include "simcontrol.h"
#include "vyracamera.h"

namespace {

constexpr int setCount = 32;
constexpr int rounds = 15;

struct Figure
{
    double medianMs = 0.0;
    size_t driverCalls = 0;
};

template<typename Operation> Figure measure(Operation operation)
{
    std::vector<double> times;
    Figure figure;
    for (int round = 0; round < rounds; ++round) {
        VyraSim::Control::clearCalls();
        QElapsedTimer timer;
        timer.start();
        operation();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
        figure.driverCalls = VyraSim::Control::calls().size();
    }
    std::sort(times.begin(), times.end());
    figure.medianMs = times[times.size() / 2];
    return figure;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QTextStream out(stdout);

    VyraSim::Control::resetToDefaults();
    auto camera = QSharedPointer<VyraCamera>::create(1);
    auto sequencer = QSharedPointer<Sequencer>::create(camera);
    camera->enableLiveVideo(true);
    Sequence sequence;
    sequence.features = Sequencer::featureCatalogue().keys();
    for (int set = 0; set < setCount; ++set)
        sequence = sequence.withSetAppended(SetParameters::ofCamera(*camera));

    const Figure write = measure([&] { sequencer->writeSequence(sequence); });
    int read = 0;
    const Figure readBack = measure([&] { read = sequencer->readSequence().setCount(); });

    out << "32 sets, 5 features, live video on   median ms   driver calls\n";
    out << "writeSequence                        " << QString::number(write.medianMs, 'f', 2)
        << "        " << write.driverCalls << "\n";
    out << "readSequence (" << read << " sets read)          "
        << QString::number(readBack.medianMs, 'f', 2) << "        " << readBack.driverCalls
        << "\n";
    return 0;
}
