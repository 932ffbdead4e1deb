#pragma once

#include <QImage>
#include <QSharedPointer>

#include <functional>
#include <memory>

/// The one source of images after the driver: every image the camera
/// delivers is handed, on the capture thread and before the display's
/// ImageGate thins the stream, to each attached receiver in the order they
/// were attached. The display path (VyraCamera::imageCaptured) is not a
/// receiver: it gets what the gate lets through.
///
/// Receivers run on the capture thread and must return at once: they count,
/// keep a pointer or queue the image for a thread of their own, and never
/// wait for the disk, the GUI or a lock held long. They must not attach or
/// detach receivers. Attaching is one line:
///
///     m_attachment = camera->images().attach([this](const auto &image) { take(image); });
///
/// Attach and detach are thread-safe; once detach() (or the attachment's
/// destruction) returns, the receiver is not running and is never called again.
class ImageFanOut
{
public:
    using Receiver = std::function<void(const QSharedPointer<QImage> &image)>;

    /// Keeps a receiver attached for as long as it lives; movable, not copyable.
    class Attachment
    {
    public:
        Attachment() = default;
        Attachment(Attachment &&other) noexcept;
        Attachment &operator=(Attachment &&other) noexcept;
        Attachment(const Attachment &) = delete;
        Attachment &operator=(const Attachment &) = delete;
        ~Attachment();

        /// Detaches the receiver; does nothing when it is detached already or
        /// the fan-out is gone.
        void detach();
        bool isAttached() const;

    private:
        friend class ImageFanOut;
        struct Core;
        Attachment(const std::shared_ptr<Core> &core, quint64 id);

        std::weak_ptr<Core> m_core;
        quint64 m_id = 0;
    };

    ImageFanOut();
    ~ImageFanOut();
    ImageFanOut(const ImageFanOut &) = delete;
    ImageFanOut &operator=(const ImageFanOut &) = delete;

    [[nodiscard]] Attachment attach(Receiver receiver);
    /// Hands the image to every receiver; capture thread.
    void deliver(const QSharedPointer<QImage> &image) const;

private:
    std::shared_ptr<Attachment::Core> m_core;
};
