#include "imagefanout.h"

#include <mutex>
#include <utility>
#include <vector>

struct ImageFanOut::Attachment::Core
{
    // Held while receivers run, so that a detach waits for a delivery in
    // progress and a detached receiver is never called afterwards.
    std::mutex mutex;
    std::vector<std::pair<quint64, Receiver>> receivers;
    quint64 nextId = 1;
};

ImageFanOut::Attachment::Attachment(const std::shared_ptr<Core> &core, quint64 id)
    : m_core(core), m_id(id)
{
}

ImageFanOut::Attachment::Attachment(Attachment &&other) noexcept
    : m_core(std::move(other.m_core)), m_id(std::exchange(other.m_id, 0))
{
}

ImageFanOut::Attachment &ImageFanOut::Attachment::operator=(Attachment &&other) noexcept
{
    if (this != &other) {
        detach();
        m_core = std::move(other.m_core);
        m_id = std::exchange(other.m_id, 0);
    }
    return *this;
}

ImageFanOut::Attachment::~Attachment()
{
    detach();
}

void ImageFanOut::Attachment::detach()
{
    const std::shared_ptr<Core> core = m_core.lock();
    m_core.reset();
    if (!core || m_id == 0)
        return;
    std::lock_guard<std::mutex> lock(core->mutex);
    auto &receivers = core->receivers;
    for (auto receiver = receivers.begin(); receiver != receivers.end(); ++receiver) {
        if (receiver->first == m_id) {
            receivers.erase(receiver);
            break;
        }
    }
    m_id = 0;
}

bool ImageFanOut::Attachment::isAttached() const
{
    return m_id != 0 && !m_core.expired();
}

ImageFanOut::ImageFanOut() : m_core(std::make_shared<Attachment::Core>())
{
}

ImageFanOut::~ImageFanOut() = default;

ImageFanOut::Attachment ImageFanOut::attach(Receiver receiver)
{
    std::lock_guard<std::mutex> lock(m_core->mutex);
    const quint64 id = m_core->nextId++;
    m_core->receivers.emplace_back(id, std::move(receiver));
    return Attachment(m_core, id);
}

void ImageFanOut::deliver(const QSharedPointer<QImage> &image) const
{
    std::lock_guard<std::mutex> lock(m_core->mutex);
    for (const auto &receiver : m_core->receivers)
        receiver.second(image);
}
