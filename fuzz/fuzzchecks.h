#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

/// The properties the fuzz targets check on one input, shared by the
/// libFuzzer targets and the test that replays the kept inputs. Each check
/// answers an empty string when the input was handled soundly, else what went
/// wrong.
class FuzzChecks
{
public:
    FuzzChecks() = delete;

    /// The sequencer configuration decoder: any bytes are decoded or refused
    /// without harm; an accepted document is within the camera's ranges and
    /// survives a round trip through the encoder unchanged.
    static std::string sequencerXml(const uint8_t *data, size_t size);
    /// The camera parameter file parser: any bytes are parsed or refused
    /// without harm; what it accepts is written back by the encoder into a
    /// file that parses to the same settings.
    static std::string parameterSet(const uint8_t *data, size_t size);
};
