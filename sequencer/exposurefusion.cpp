#include "exposurefusion.h"

#include <opencv2/imgproc.hpp>
#include <opencv2/photo.hpp>

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace {

/// The image's pixels as OpenCV sees them, shared, not copied.
cv::Mat matOf(const QImage &image)
{
    return cv::Mat(image.height(), image.width(), CV_8UC3, const_cast<uchar *>(image.constBits()),
                   size_t(image.bytesPerLine()));
}

} // namespace

QImage ExposureFusion::fuse(const QList<QImage> &bracket, int maximumWidth)
{
    if (bracket.size() < 2)
        throw std::runtime_error("Exposure fusion needs at least two images.");
    const QSize size = bracket.first().size();
    if (size.isEmpty())
        throw std::runtime_error("Exposure fusion needs images with pixels.");
    const cv::Size target =
        maximumWidth > 0 && size.width() > maximumWidth
            ? cv::Size(maximumWidth, std::max(1, size.height() * maximumWidth / size.width()))
            : cv::Size(size.width(), size.height());
    try {
        std::vector<QImage> kept;
        std::vector<cv::Mat> images;
        for (const QImage &image : bracket) {
            if (image.size() != size)
                throw std::runtime_error("The images of an exposure fusion differ in size.");
            kept.push_back(image.format() == QImage::Format_RGB888
                               ? image
                               : image.convertToFormat(QImage::Format_RGB888));
            cv::Mat mat = matOf(kept.back());
            if (target != mat.size()) {
                cv::Mat smaller;
                // Averaging areas, not picking pixels: the fusion weighs
                // contrast, which aliasing would invent.
                cv::resize(mat, smaller, target, 0, 0, cv::INTER_AREA);
                mat = smaller;
            }
            images.push_back(mat);
        }
        cv::Mat fused;
        cv::createMergeMertens()->process(images, fused);
        QImage result(target.width, target.height, QImage::Format_RGB888);
        cv::Mat out = matOf(result);
        // The fusion's result runs from 0 to about 1; beyond is clipped.
        fused.convertTo(out, CV_8UC3, 255.0);
        return result;
    } catch (const cv::Exception &error) {
        throw std::runtime_error(std::string("Exposure fusion failed: ") + error.what());
    }
}
