#pragma once

#include <array>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace VyraSim {

/// Renders the images of one sensor: a fixed synthetic scene over the whole
/// sensor (colour bars, gradients, fine detail, a ruler and coordinates) and a
/// disc that moves with the frame number, seen through the AOI, brightened or
/// darkened per channel and stamped with a text in the top left corner.
///
/// The scene is drawn once; each binning and subsampling combination gets a
/// reduced copy, made on first use and kept for a while. A frame is then one
/// look-up-table pass over the AOI. Thread-safe: several cameras' producers
/// and captureSingleFrame callers may render at once.
class SceneRenderer
{
public:
    SceneRenderer(int sensorWidth, int sensorHeight);

    /// What one image shows.
    struct Frame
    {
        int x = 0; ///< AOI in image pixels (after binning and subsampling)
        int y = 0;
        int width = 0;
        int height = 0;
        int binningH = 1; ///< factors
        int binningV = 1;
        int subsamplingH = 1;
        int subsamplingV = 1;
        std::array<double, 3> channelFactors{{1.0, 1.0, 1.0}}; ///< red, green, blue
        uint64_t frameNumber = 0;                              ///< moves the disc
        std::string stamp;                                     ///< drawn in the corner
    };

    /// Writes frame.width x frame.height RGB pixels to image, pitch bytes a
    /// line. The AOI must lie inside the reduced image area.
    void render(const Frame &frame, uint8_t *image, int pitch) const;

    int sensorWidth() const { return sensorWidth_; }
    int sensorHeight() const { return sensorHeight_; }

    /// Where the moving disc is for a frame, in sensor pixels.
    struct Disc
    {
        int centreX;
        int centreY;
        int radius;
    };
    Disc disc(uint64_t frameNumber) const;

private:
    struct Plane
    {
        int width = 0;
        int height = 0;
        std::vector<uint8_t> rgb;
    };
    struct CachedPlane
    {
        std::array<int, 4> factors;
        std::shared_ptr<const Plane> plane;
    };

    void drawScene(Plane &scene) const;
    std::shared_ptr<const Plane> plane(int binningH, int binningV, int subsamplingH,
                                       int subsamplingV) const;
    void drawDisc(const Frame &frame, const std::array<std::array<uint8_t, 256>, 3> &lut,
                  uint8_t *image, int pitch) const;

    int sensorWidth_;
    int sensorHeight_;
    std::shared_ptr<const Plane> scene_;
    mutable std::mutex cacheMutex_;
    mutable std::list<CachedPlane> cache_; ///< most recently used first
};

} // namespace VyraSim
