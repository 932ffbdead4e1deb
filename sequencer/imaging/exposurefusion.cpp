#include "exposurefusion.h"

#include <opencv2/imgproc.hpp>
#include <opencv2/photo.hpp>

#include "clippingmarks.h"

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

/// Whether a pixel of every image of the bracket is clipped (or crushed).
bool lostInAll(const std::vector<cv::Mat> &images, int y, int x, bool clipped)
{
    for (const cv::Mat &image : images) {
        const cv::Vec3b &pixel = image.at<cv::Vec3b>(y, x);
        const bool lost = clipped ? ClippingMarks::isClipped(pixel[0], pixel[1], pixel[2])
                                  : ClippingMarks::isCrushed(pixel[0], pixel[1], pixel[2]);
        if (!lost)
            return false;
    }
    return true;
}

/// Paints white what every image clipped and black what every image
/// crushed: no exposure of the bracket caught it.
void markUncaught(const std::vector<cv::Mat> &images, cv::Mat &fused)
{
    for (int y = 0; y < fused.rows; ++y) {
        for (int x = 0; x < fused.cols; ++x) {
            if (lostInAll(images, y, x, true))
                fused.at<cv::Vec3b>(y, x) = cv::Vec3b(255, 255, 255);
            else if (lostInAll(images, y, x, false))
                fused.at<cv::Vec3b>(y, x) = cv::Vec3b(0, 0, 0);
        }
    }
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
        // The blend runs from 0 to 1 but overshoots near bright edges (by a
        // third and more) and undershoots near dark ones: scaled back into
        // range rather than cut off, what one image of the bracket caught
        // stays visible.
        double lowest = 0.0;
        double highest = 1.0;
        cv::minMaxLoc(fused.reshape(1), &lowest, &highest);
        lowest = std::min(0.0, lowest);
        highest = std::max(1.0, highest);
        fused.convertTo(out, CV_8UC3, 255.0 / (highest - lowest),
                        -255.0 * lowest / (highest - lowest));
        markUncaught(images, out);
        return result;
    } catch (const cv::Exception &error) {
        throw std::runtime_error(std::string("Exposure fusion failed: ") + error.what());
    }
}
