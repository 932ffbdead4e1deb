#include "parallelbands.h"

#include <QThread>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace ParallelBands {

void run(int height, int linesPerBand, const std::function<void(int top, int bottom)> &work)
{
    if (height <= 0 || linesPerBand <= 0)
        return;
    const int bands = (height + linesPerBand - 1) / linesPerBand;
    std::atomic<int> next{0};
    const auto takeBands = [&] {
        for (int band = next++; band < bands; band = next++) {
            const int top = band * linesPerBand;
            work(top, std::min(top + linesPerBand, height));
        }
    };
    const int helpers = std::min(QThread::idealThreadCount(), bands) - 1;
    std::vector<std::thread> threads;
    threads.reserve(size_t(std::max(helpers, 0)));
    for (int i = 0; i < helpers; ++i)
        threads.emplace_back(takeBands);
    takeBands();
    for (std::thread &thread : threads)
        thread.join();
}

} // namespace ParallelBands
