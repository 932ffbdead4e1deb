#pragma once

#include <cstddef>
#include <string>

#include "sensorsettings.h"
#include "vyradriver.h"

namespace VyraSim {

/// The camera parameter file (parameterSetControl): a readable INI text of
/// every setting of an opened camera, its encoding, its decoding and the
/// file operations. The format is described in simulator/README.md.
class ParameterSet
{
public:
    /// Larger files are not parameter files.
    static constexpr size_t maximumFileSize = 1 << 20;

    /// What a file holds, or why it is not a complete parameter file.
    struct Parsed
    {
        /// VYRA_SUCCESS when every value is present and well-formed, else
        /// VYRA_INVALID_PARAMETER. Whether the values fit a camera is the
        /// sensor model's to decide.
        VyraStatus status = VYRA_INVALID_PARAMETER;
        /// The camera model the file was written for; set whenever the file
        /// names one, even when other values are bad.
        std::string model;
        SensorSettings settings;
        int line = 0;        ///< the line of the first problem (0: the file as a whole)
        std::string problem; ///< what is wrong, empty on success
    };

    static std::string encode(const std::string &model, const std::string &serialNumber,
                              const SensorSettings &settings);
    /// Decodes size bytes of a file. Pure: no state, no I/O; any bytes are
    /// safe to pass.
    static Parsed parse(const char *data, size_t size);

    /// Writes bytes atomically to the NUL-terminated UTF-16 path: the old
    /// file stays whole until the new one is complete. VYRA_INVALID_PARAMETER
    /// for a path that is not valid UTF-16, VYRA_FILE_WRITE_OPEN_ERROR when
    /// it cannot be written.
    static VyraStatus writeFile(const void *path, const std::string &bytes);
    /// Reads the file at the UTF-16 path: VYRA_FILE_READ_OPEN_ERROR when it
    /// cannot be read, VYRA_INVALID_PARAMETER when it is too large or the
    /// path is not valid UTF-16.
    static VyraStatus readFile(const void *path, std::string *bytes);
    /// The path as UTF-16 code units; false when it has no terminating NUL
    /// within the longest path a file system allows, is empty, or holds an
    /// unpaired surrogate.
    static bool decodePath(const void *path, std::u16string *units);
};

} // namespace VyraSim
