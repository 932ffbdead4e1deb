#include "radiancebuffers.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

constexpr size_t keptBlocks = 2;

struct Pool
{
    // Room for one more than is kept: giving back never allocates.
    Pool() { free.reserve(keptBlocks + 1); }

    std::mutex mutex;
    std::vector<std::unique_ptr<RadianceBuffers::Pixels>> free;
};

Pool &pool()
{
    // Never destroyed: an image let go while the program ends still finds it.
    static Pool *const instance = new Pool;
    return *instance;
}

void giveBack(RadianceBuffers::Pixels *pixels)
{
    std::unique_ptr<RadianceBuffers::Pixels> block(pixels);
    Pool &kept = pool();
    std::lock_guard<std::mutex> lock(kept.mutex);
    kept.free.push_back(std::move(block));
    if (kept.free.size() > keptBlocks)
        kept.free.erase(kept.free.begin());
}

} // namespace

std::shared_ptr<RadianceBuffers::Pixels> RadianceBuffers::take(const QSize &size)
{
    std::unique_ptr<Pixels> block;
    {
        Pool &kept = pool();
        std::lock_guard<std::mutex> lock(kept.mutex);
        const auto match = std::find_if(
            kept.free.begin(), kept.free.end(),
            [&size](const std::unique_ptr<Pixels> &each) { return each->size == size; });
        if (match != kept.free.end()) {
            block = std::move(*match);
            kept.free.erase(match);
        }
    }
    if (!block) {
        const size_t pixels = size_t(size.width()) * size_t(size.height());
        block.reset(new Pixels{size, std::unique_ptr<float[]>(new float[pixels * 3]),
                               std::unique_ptr<quint8[]>(new quint8[pixels])});
    }
    return std::shared_ptr<Pixels>(block.release(), giveBack);
}
