#pragma once

#include <arv.h>

#include <cstdint>
#include <string>
#include <vector>

#include "vyradriver.h"

namespace VyraAravis {

/// One opened GenICam camera as Aravis reaches it: typed access to its
/// features by their standard names, each answering VYRA_SUCCESS or the
/// driver status the Aravis error stands for. Owns the ArvCamera.
///
/// Not thread-safe: the camera serialises every call (Aravis' feature tree
/// is not safe to walk from two threads).
class GenicamDevice
{
public:
    /// Takes over camera (one reference).
    explicit GenicamDevice(ArvCamera *camera);
    ~GenicamDevice();

    GenicamDevice(const GenicamDevice &) = delete;
    GenicamDevice &operator=(const GenicamDevice &) = delete;

    ArvCamera *camera() const { return camera_; }
    ArvDevice *device() const;

    /// Whether the camera has the feature and it can be used now.
    bool has(const char *feature) const;
    /// The entries of an enumeration that can be chosen now.
    std::vector<std::string> entries(const char *feature) const;
    bool hasEntry(const char *feature, const char *entry) const;

    VyraStatus integer(const char *feature, int64_t *value) const;
    VyraStatus setInteger(const char *feature, int64_t value);
    VyraStatus integerBounds(const char *feature, int64_t *minimum, int64_t *maximum) const;
    /// The step of an integer feature, 1 where the camera names none.
    int64_t integerIncrement(const char *feature) const;
    VyraStatus real(const char *feature, double *value) const;
    VyraStatus setReal(const char *feature, double value);
    VyraStatus realBounds(const char *feature, double *minimum, double *maximum) const;
    /// The step of a float feature, 0 where the camera names none.
    double realIncrement(const char *feature) const;
    /// Enumerations and strings, by their entry names.
    VyraStatus text(const char *feature, std::string *value) const;
    VyraStatus setText(const char *feature, const char *value);
    VyraStatus setBoolean(const char *feature, bool value);
    VyraStatus execute(const char *command);

    /// The status an Aravis error stands for; frees the error. VYRA_SUCCESS
    /// for no error.
    static VyraStatus statusOf(GError *error);

private:
    ArvCamera *camera_;
};

} // namespace VyraAravis
