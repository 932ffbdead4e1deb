#include "cameraconfig.h"

#include "factorbits.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

#include "sensormodel.h"

/*
 * The camera configuration text (VYRASIM_CAMERAS): one [camera] section per
 * camera with "key = value" lines; '#' starts a comment. simulator/README.md
 * lists the keys. Parsing, formatting, the embedded default and the rules of
 * a valid camera all live here.
 */

namespace VyraSim {

namespace {

constexpr size_t maximumConfigurationSize = 1 << 20;

std::string trimmed(const std::string &text)
{
    const auto notSpace = [](unsigned char c) { return !std::isspace(c); };
    auto begin = std::find_if(text.begin(), text.end(), notSpace);
    auto end = std::find_if(text.rbegin(), text.rend(), notSpace).base();
    return begin < end ? std::string(begin, end) : std::string();
}

std::vector<std::string> words(const std::string &text)
{
    std::istringstream stream(text);
    std::vector<std::string> result;
    for (std::string word; stream >> word;)
        result.push_back(word);
    return result;
}

template<class T> bool parseNumber(const std::string &text, T *value)
{
    const char *end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, *value);
    return !text.empty() && result.ec == std::errc() && result.ptr == end;
}

bool parseFlag(const std::string &text, bool *value)
{
    if (text == "yes" || text == "true" || text == "1") {
        *value = true;
        return true;
    }
    if (text == "no" || text == "false" || text == "0") {
        *value = false;
        return true;
    }
    return false;
}

bool parseSize(const std::string &text, int32_t *width, int32_t *height)
{
    std::string compact;
    for (char c : text) {
        if (!std::isspace(static_cast<unsigned char>(c)))
            compact += c;
    }
    const size_t x = compact.find('x');
    return x != std::string::npos && parseNumber(compact.substr(0, x), width) &&
           parseNumber(compact.substr(x + 1), height);
}

/// "none", or factors: "2x" for both directions, "h2x" or "v2x" for one.
bool parseFactors(const std::string &text, int32_t *bits)
{
    *bits = 0;
    const std::vector<std::string> list = words(text);
    if (list.size() == 1 && list[0] == "none")
        return true;
    if (list.empty())
        return false;
    for (const std::string &word : list) {
        const bool horizontalOnly = word[0] == 'h';
        const bool verticalOnly = word[0] == 'v';
        const std::string name = horizontalOnly || verticalOnly ? word.substr(1) : word;
        const auto factor = std::find_if(std::begin(factorBitsTable), std::end(factorBitsTable),
                                         [&](const FactorBits &f) { return name == f.name(); });
        if (factor == std::end(factorBitsTable))
            return false;
        if (!verticalOnly)
            *bits |= factor->horizontal;
        if (!horizontalOnly)
            *bits |= factor->vertical;
    }
    return true;
}

std::string formatFactors(int32_t bits)
{
    std::string text;
    for (const FactorBits &factor : factorBitsTable) {
        const bool h = bits & factor.horizontal;
        const bool v = bits & factor.vertical;
        if (!h && !v)
            continue;
        if (!text.empty())
            text += ' ';
        text += (h && v) ? factor.name() : std::string(h ? "h" : "v") + factor.name();
    }
    return text.empty() ? "none" : text;
}

/// "5-86" (every MHz), "24-96/8" (a step) or a list "24 32 40".
bool parsePixelClocks(const std::string &text, std::vector<uint32_t> *clocks)
{
    clocks->clear();
    const size_t dash = text.find('-');
    if (dash != std::string::npos) {
        const size_t slash = text.find('/');
        uint32_t first = 0;
        uint32_t last = 0;
        uint32_t step = 1;
        if (!parseNumber(trimmed(text.substr(0, dash)), &first) ||
            !parseNumber(
                trimmed(text.substr(dash + 1, slash == std::string::npos ? std::string::npos
                                                                         : slash - dash - 1)),
                &last) ||
            (slash != std::string::npos && !parseNumber(trimmed(text.substr(slash + 1)), &step)))
            return false;
        if (step == 0 || first > last || (last - first) / step >= 1000)
            return false;
        for (uint32_t clock = first; clock <= last; clock += step)
            clocks->push_back(clock);
        return true;
    }
    for (const std::string &word : words(text)) {
        uint32_t clock = 0;
        if (!parseNumber(word, &clock))
            return false;
        clocks->push_back(clock);
    }
    return !clocks->empty();
}

std::string formatPixelClocks(const std::vector<uint32_t> &clocks)
{
    std::string text;
    for (uint32_t clock : clocks)
        text += (text.empty() ? "" : " ") + std::to_string(clock);
    return text;
}

/// "ID, x, y, WIDTHxHEIGHT, binning, subsampling, caption"
bool parseFormat(const std::string &text, ImageFormat *format)
{
    std::vector<std::string> fields;
    size_t start = 0;
    for (int i = 0; i < 6; ++i) {
        const size_t comma = text.find(',', start);
        if (comma == std::string::npos)
            return false;
        fields.push_back(trimmed(text.substr(start, comma - start)));
        start = comma + 1;
    }
    format->caption = trimmed(text.substr(start));
    return parseNumber(fields[0], &format->formatId) && parseNumber(fields[1], &format->x) &&
           parseNumber(fields[2], &format->y) &&
           parseSize(fields[3], &format->width, &format->height) &&
           parseFactors(fields[4], &format->binning) &&
           parseFactors(fields[5], &format->subsampling);
}

std::string yesNo(bool value)
{
    return value ? "yes" : "no";
}

bool validModelName(const std::string &model)
{
    if (model.size() < 3 || model.size() >= 28 || model.compare(0, 2, "VK") != 0 ||
        !std::isdigit(static_cast<unsigned char>(model[2])))
        return false;
    return std::all_of(model.begin(), model.end(),
                       [](unsigned char c) { return std::isalnum(c) || c == '-' || c == '_'; });
}

ImageFormat format(int32_t id, int32_t x, int32_t y, int32_t width, int32_t height, int32_t binning,
                   int32_t subsampling, const char *caption)
{
    ImageFormat f;
    f.formatId = id;
    f.x = x;
    f.y = y;
    f.width = width;
    f.height = height;
    f.binning = binning;
    f.subsampling = subsampling;
    f.caption = caption;
    return f;
}

constexpr int32_t both2x = VYRA_FACTOR_2X_HORIZONTAL | VYRA_FACTOR_2X_VERTICAL;
constexpr int32_t both3x = VYRA_FACTOR_3X_HORIZONTAL | VYRA_FACTOR_3X_VERTICAL;
constexpr int32_t both4x = VYRA_FACTOR_4X_HORIZONTAL | VYRA_FACTOR_4X_VERTICAL;

/// The camera of a [camera] section as it is being read.
struct Section
{
    CameraSpec description;
    int line = 0;
    bool hasDeviceId = false;
    bool hasModel = false;
    bool hasSize = false;
    bool hasName = false;
    bool hasSensor = false;
    bool hasPixelClock = false;
    bool hasBadKey = false; ///< its problems are reported; checking the whole would repeat them
    std::set<std::string> keys;
};

/// Applies one key; answers what is wrong with its value, or an empty text.
std::string applyKey(Section &section, const std::string &key, const std::string &value)
{
    CameraSpec &s = section.description;
    bool ok = true;
    if (key == "device-id") {
        ok = parseNumber(value, &s.deviceId);
        section.hasDeviceId = true;
    } else if (key == "camera-id") {
        ok = parseNumber(value, &s.cameraId);
    } else if (key == "sensor-id") {
        ok = parseNumber(value, &s.sensorId);
    } else if (key == "model") {
        s.model = value;
        section.hasModel = true;
    } else if (key == "name") {
        s.cameraName = value;
        section.hasName = true;
    } else if (key == "serial") {
        s.serialNumber = value;
    } else if (key == "sensor") {
        s.sensorName = value;
        section.hasSensor = true;
    } else if (key == "size") {
        ok = parseSize(value, &s.sensorWidth, &s.sensorHeight);
        section.hasSize = true;
    } else if (key == "pixel-pitch") {
        ok = parseNumber(value, &s.pixelSize);
    } else if (key == "global-shutter") {
        ok = parseFlag(value, &s.globalShutter);
    } else if (key == "master-gain") {
        ok = parseFlag(value, &s.masterGain);
    } else if (key == "colour-gains") {
        ok = parseFlag(value, &s.colourGains);
    } else if (key == "memory-mode") {
        ok = parseFlag(value, &s.memoryMode);
    } else if (key == "sequencer") {
        ok = parseFlag(value, &s.sequencerSupported);
    } else if (key == "long-exposure") {
        ok = parseFlag(value, &s.longExposure);
    } else if (key == "flash") {
        ok = parseFlag(value, &s.flash);
    } else if (key == "trigger-sources") {
        ok = parseNumber(value, &s.triggerSourceMask);
    } else if (key == "sequencer-sets") {
        ok = parseNumber(value, &s.sequencerSets);
    } else if (key == "pixel-clocks") {
        ok = parsePixelClocks(value, &s.pixelClocksMHz);
    } else if (key == "pixel-clock") {
        ok = parseNumber(value, &s.defaultPixelClockMHz);
        section.hasPixelClock = true;
    } else if (key == "binning") {
        ok = parseFactors(value, &s.binningModes);
    } else if (key == "subsampling") {
        ok = parseFactors(value, &s.subsamplingModes);
    } else if (key == "size-increment") {
        ok = parseSize(value, &s.aoiWidthIncrement, &s.aoiHeightIncrement);
    } else if (key == "format") {
        ImageFormat f;
        ok = parseFormat(value, &f);
        if (ok)
            s.imageFormats.push_back(f);
        return ok ? std::string()
                  : "format needs: ID, x, y, WIDTHxHEIGHT, binning, subsampling, caption";
    } else if (key == "in-use") {
        ok = parseFlag(value, &s.inUseElsewhere);
    } else {
        return "unknown key '" + key + "'";
    }
    if (key != "format" && !section.keys.insert(key).second)
        return "'" + key + "' is given twice";
    return ok ? std::string() : "bad value for '" + key + "': '" + value + "'";
}

/// Fills what a section left out; answers what a section must not leave out.
std::string completeSection(Section &section)
{
    if (!section.hasDeviceId)
        return "the camera has no device-id";
    if (!section.hasModel)
        return "the camera has no model";
    if (!section.hasSize)
        return "the camera has no size";
    CameraSpec &s = section.description;
    if (!section.hasName)
        s.cameraName = s.model + "-USB";
    if (!section.hasSensor && s.model.size() > 2)
        s.sensorName = "VS" + s.model.substr(2);
    if (!section.hasPixelClock && !s.pixelClocksMHz.empty())
        s.defaultPixelClockMHz = s.pixelClocksMHz.back();
    return checkCameraSpec(s);
}

} // namespace

bool ImageFormat::operator==(const ImageFormat &other) const
{
    return formatId == other.formatId && caption == other.caption && x == other.x && y == other.y &&
           width == other.width && height == other.height && binning == other.binning &&
           subsampling == other.subsampling;
}

bool CameraSpec::operator==(const CameraSpec &other) const
{
    return deviceId == other.deviceId && cameraId == other.cameraId && sensorId == other.sensorId &&
           model == other.model && cameraName == other.cameraName &&
           serialNumber == other.serialNumber && sensorName == other.sensorName &&
           sensorWidth == other.sensorWidth && sensorHeight == other.sensorHeight &&
           pixelSize == other.pixelSize && globalShutter == other.globalShutter &&
           masterGain == other.masterGain && colourGains == other.colourGains &&
           memoryMode == other.memoryMode && sequencerSupported == other.sequencerSupported &&
           longExposure == other.longExposure && flash == other.flash &&
           triggerSourceMask == other.triggerSourceMask && sequencerSets == other.sequencerSets &&
           pixelClocksMHz == other.pixelClocksMHz &&
           defaultPixelClockMHz == other.defaultPixelClockMHz &&
           binningModes == other.binningModes && subsamplingModes == other.subsamplingModes &&
           aoiWidthIncrement == other.aoiWidthIncrement &&
           aoiHeightIncrement == other.aoiHeightIncrement && imageFormats == other.imageFormats &&
           inUseElsewhere == other.inUseElsewhere;
}

std::string checkCameraSpec(const CameraSpec &s)
{
    if (s.deviceId < 1 || s.deviceId > 0x7FFF)
        return "device-id must be 1 to 32767";
    if (s.cameraId < 1 || s.cameraId > 254)
        return "camera-id must be 1 to 254";
    if (!validModelName(s.model))
        return "model must be \"VK\", a digit, then letters, digits or - (at most 27 characters)";
    if (s.cameraName.empty() || s.cameraName.size() >= 32)
        return "name must have 1 to 31 characters";
    if (s.serialNumber.empty() || s.serialNumber.size() >= 16)
        return "serial must have 1 to 15 characters";
    if (s.sensorName.empty() || s.sensorName.size() >= 32)
        return "sensor must have 1 to 31 characters";
    if (s.sensorWidth < 128 || s.sensorWidth > 8192 || s.sensorWidth % 8 != 0 ||
        s.sensorHeight < 128 || s.sensorHeight > 8192 || s.sensorHeight % 2 != 0)
        return "size must be 128 to 8192 pixels each way, the width a multiple of 8, the "
               "height of 2";
    if (s.pixelSize <= 0)
        return "pixel-pitch must be positive";
    if (s.triggerSourceMask < 0 || s.triggerSourceMask > 7)
        return "trigger-sources must be a mask of 1, 2 and 4";
    if (s.sequencerSets < 1 || s.sequencerSets > 255)
        return "sequencer-sets must be 1 to 255";
    if (s.pixelClocksMHz.empty() || s.pixelClocksMHz.size() > 150)
        return "pixel-clocks must list 1 to 150 clocks";
    for (size_t i = 0; i < s.pixelClocksMHz.size(); ++i) {
        if (s.pixelClocksMHz[i] < 1 || s.pixelClocksMHz[i] > 1000 ||
            (i > 0 && s.pixelClocksMHz[i] <= s.pixelClocksMHz[i - 1]))
            return "pixel-clocks must ascend, each 1 to 1000 MHz";
    }
    if (std::find(s.pixelClocksMHz.begin(), s.pixelClocksMHz.end(), s.defaultPixelClockMHz) ==
        s.pixelClocksMHz.end())
        return "pixel-clock must be one of pixel-clocks";
    const int32_t allBits = VYRA_FACTOR_ALL_HORIZONTAL | VYRA_FACTOR_ALL_VERTICAL;
    if ((s.binningModes & ~allBits) || (s.subsamplingModes & ~allBits))
        return "unknown binning or subsampling bits";
    // Powers of two that divide the smallest AOI, so that it is a valid size.
    const auto powerOfTwo = [](int32_t value) { return value > 0 && (value & (value - 1)) == 0; };
    if (!powerOfTwo(s.aoiWidthIncrement) || s.aoiWidthIncrement < 8 || s.aoiWidthIncrement > 32 ||
        !powerOfTwo(s.aoiHeightIncrement) || s.aoiHeightIncrement < 2 || s.aoiHeightIncrement > 16)
        return "size-increment must be powers of two, the width 8 to 32, the height 2 to 16";

    const SensorModel model(s);
    std::set<int32_t> ids;
    for (const ImageFormat &f : s.imageFormats) {
        const std::string name = "format " + std::to_string(f.formatId);
        if (f.formatId < 1 || !ids.insert(f.formatId).second)
            return name + ": IDs must be positive and unique";
        if (f.caption.size() >= 64)
            return name + ": the caption must have at most 63 characters";
        SensorSettings settings = model.powerOn();
        if (model.setBinning(settings, f.binning) != VYRA_SUCCESS ||
            model.setSubsampling(settings, f.subsampling) != VYRA_SUCCESS ||
            model.setAoi(settings, {f.x, f.y, f.width, f.height}) != VYRA_SUCCESS)
            return name + ": its binning, subsampling, size or position does not fit the sensor";
    }
    return {};
}

int checkCameraSet(const std::vector<CameraSpec> &cameras, std::string *reason)
{
    std::set<int32_t> deviceIds;
    for (size_t i = 0; i < cameras.size(); ++i) {
        const CameraSpec &description = cameras[i];
        std::string problem = checkCameraSpec(description);
        if (problem.empty() && !deviceIds.insert(description.deviceId).second)
            problem = "device-id " + std::to_string(description.deviceId) + " is used twice";
        if (!problem.empty()) {
            *reason = problem;
            return int(i);
        }
    }
    return -1;
}

std::vector<CameraSpec> parseCameraConfiguration(const std::string &text,
                                                 std::vector<ConfigProblem> *problems)
{
    std::vector<ConfigProblem> found;
    std::vector<Section> sections;
    std::istringstream stream(text);
    int number = 0;
    for (std::string line; std::getline(stream, line);) {
        ++number;
        const size_t comment = line.find('#');
        line = trimmed(comment == std::string::npos ? line : line.substr(0, comment));
        if (line.empty())
            continue;
        if (line == "[camera]") {
            sections.emplace_back();
            sections.back().line = number;
            continue;
        }
        const size_t equals = line.find('=');
        if (line.front() == '[' || equals == std::string::npos) {
            found.push_back({number, line.front() == '['
                                         ? "unknown section " + line + " (only [camera] exists)"
                                         : std::string("expected key = value")});
            if (!sections.empty())
                sections.back().hasBadKey = true;
            continue;
        }
        if (sections.empty()) {
            found.push_back({number, "key before the first [camera]"});
            continue;
        }
        const std::string key = trimmed(line.substr(0, equals));
        const std::string value = trimmed(line.substr(equals + 1));
        const std::string problem = applyKey(sections.back(), key, value);
        if (!problem.empty()) {
            found.push_back({number, problem});
            sections.back().hasBadKey = true;
        }
    }

    std::vector<CameraSpec> cameras;
    std::set<int32_t> deviceIds;
    for (Section &section : sections) {
        if (section.hasBadKey)
            continue;
        std::string problem = completeSection(section);
        if (problem.empty() && !deviceIds.insert(section.description.deviceId).second)
            problem =
                "device-id " + std::to_string(section.description.deviceId) + " is used twice";
        if (!problem.empty())
            found.push_back({section.line, problem});
        cameras.push_back(section.description);
    }
    if (found.empty() && cameras.empty())
        found.push_back({0, "no [camera] section"});
    std::sort(found.begin(), found.end(),
              [](const ConfigProblem &a, const ConfigProblem &b) { return a.line < b.line; });
    if (problems != nullptr)
        problems->insert(problems->end(), found.begin(), found.end());
    return found.empty() ? cameras : std::vector<CameraSpec>();
}

std::string formatCameraConfiguration(const std::vector<CameraSpec> &cameras)
{
    std::ostringstream out;
    out << "# Cameras of the simulated driver (see simulator/README.md)\n";
    for (const CameraSpec &s : cameras) {
        out << "\n[camera]\n"
            << "device-id = " << s.deviceId << "\n"
            << "camera-id = " << s.cameraId << "\n"
            << "sensor-id = " << s.sensorId << "\n"
            << "model = " << s.model << "\n"
            << "name = " << s.cameraName << "\n"
            << "serial = " << s.serialNumber << "\n"
            << "sensor = " << s.sensorName << "\n"
            << "size = " << s.sensorWidth << " x " << s.sensorHeight << "\n"
            << "pixel-pitch = " << s.pixelSize << "\n"
            << "global-shutter = " << yesNo(s.globalShutter) << "\n"
            << "master-gain = " << yesNo(s.masterGain) << "\n"
            << "colour-gains = " << yesNo(s.colourGains) << "\n"
            << "memory-mode = " << yesNo(s.memoryMode) << "\n"
            << "sequencer = " << yesNo(s.sequencerSupported) << "\n"
            << "long-exposure = " << yesNo(s.longExposure) << "\n"
            << "flash = " << yesNo(s.flash) << "\n"
            << "trigger-sources = " << s.triggerSourceMask << "\n"
            << "sequencer-sets = " << s.sequencerSets << "\n"
            << "pixel-clocks = " << formatPixelClocks(s.pixelClocksMHz) << "\n"
            << "pixel-clock = " << s.defaultPixelClockMHz << "\n"
            << "binning = " << formatFactors(s.binningModes) << "\n"
            << "subsampling = " << formatFactors(s.subsamplingModes) << "\n"
            << "size-increment = " << s.aoiWidthIncrement << " x " << s.aoiHeightIncrement << "\n";
        for (const ImageFormat &f : s.imageFormats)
            out << "format = " << f.formatId << ", " << f.x << ", " << f.y << ", " << f.width << "x"
                << f.height << ", " << formatFactors(f.binning) << ", "
                << formatFactors(f.subsampling) << ", " << f.caption << "\n";
        out << "in-use = " << yesNo(s.inUseElsewhere) << "\n";
    }
    return out.str();
}

std::vector<CameraSpec> defaultCameras()
{
    CameraSpec small;
    small.deviceId = 1;
    small.cameraId = 1;
    small.sensorId = 0x0240;
    small.model = "VK1240C";
    small.cameraName = "VK1240C-USB";
    small.serialNumber = "4102711301";
    small.sensorName = "VS1240C";
    small.sensorWidth = 1280;
    small.sensorHeight = 1024;
    small.pixelSize = 530;
    small.pixelClocksMHz.clear();
    for (uint32_t clock = 5; clock <= 86; ++clock)
        small.pixelClocksMHz.push_back(clock);
    small.defaultPixelClockMHz = 86;
    small.binningModes = both2x;
    small.subsamplingModes = both2x | both4x;
    small.imageFormats = {
        format(1, 0, 0, 1280, 1024, 0, 0, "1280x1024 SXGA"),
        format(2, 128, 128, 1024, 768, 0, 0, "1024x768 XGA"),
        format(3, 240, 212, 800, 600, 0, 0, "800x600 SVGA"),
        format(4, 320, 272, 640, 480, 0, 0, "640x480 VGA"),
        format(5, 0, 0, 640, 512, both2x, 0, "640x512 Binning 2x"),
        format(6, 0, 0, 320, 256, 0, both4x, "320x256 Subsampling 4x"),
    };

    CameraSpec large;
    large.deviceId = 2;
    large.cameraId = 2;
    large.sensorId = 0x0280;
    large.model = "VK2280SE-C";
    large.cameraName = "VK2280SE-C-USB";
    large.serialNumber = "4103188425";
    large.sensorName = "VS2280SE-C";
    large.sensorWidth = 1936;
    large.sensorHeight = 1216;
    large.pixelSize = 586;
    large.pixelClocksMHz = {24, 32, 40, 48, 57, 64, 72, 86, 99, 118};
    large.defaultPixelClockMHz = 86;
    large.binningModes = both2x | both3x | both4x;
    large.subsamplingModes = both2x | both3x | both4x;
    large.imageFormats = {
        format(11, 0, 0, 1936, 1216, 0, 0, "1936x1216 Full sensor"),
        format(12, 8, 68, 1920, 1080, 0, 0, "1920x1080 Full HD"),
        format(13, 328, 248, 1280, 720, 0, 0, "1280x720 HD"),
        format(14, 0, 0, 968, 608, both2x, 0, "968x608 Binning 2x"),
        format(15, 0, 0, 640, 404, 0, both3x, "640x404 Subsampling 3x"),
        format(16, 0, 0, 640, 404, both3x, 0, "640x404 Binning 3x"),
    };

    CameraSpec held;
    held.deviceId = 1001;
    held.cameraId = 3;
    held.sensorId = 0x0310;
    held.model = "VK3160CP";
    held.cameraName = "VK3160CP-GigE";
    held.serialNumber = "4104020117";
    held.sensorName = "VS3160CP";
    held.sensorWidth = 1600;
    held.sensorHeight = 1200;
    held.pixelSize = 450;
    held.pixelClocksMHz = {20, 40, 60, 80, 100};
    held.defaultPixelClockMHz = 100;
    held.binningModes = both2x;
    held.subsamplingModes = both2x;
    held.longExposure = false;
    held.imageFormats = {format(21, 0, 0, 1600, 1200, 0, 0, "1600x1200 UXGA")};
    held.inUseElsewhere = true;

    return {small, large, held};
}

std::vector<CameraSpec> configuredCameras(std::vector<ConfigProblem> *problems,
                                          std::string *fileName)
{
    const char *path = std::getenv("VYRASIM_CAMERAS");
    fileName->clear();
    if (path == nullptr || *path == '\0')
        return defaultCameras();
    *fileName = path;
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        problems->push_back({0, "cannot read the file"});
        return defaultCameras();
    }
    std::string text(maximumConfigurationSize + 1, '\0');
    file.read(&text[0], std::streamsize(text.size()));
    text.resize(size_t(file.gcount()));
    if (text.size() > maximumConfigurationSize) {
        problems->push_back({0, "the file is larger than 1 MiB"});
        return defaultCameras();
    }
    std::vector<CameraSpec> cameras = parseCameraConfiguration(text, problems);
    return cameras.empty() ? defaultCameras() : cameras;
}

} // namespace VyraSim
