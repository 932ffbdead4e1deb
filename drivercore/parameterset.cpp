#include "parameterset.h"

#include "factorbits.h"

#include <QFile>
#include <QSaveFile>
#include <QString>

#include <cctype>
#include <charconv>
#include <cmath>
#include <map>
#include <utility>

namespace VyraSim {

namespace {

constexpr size_t maximumPathLength = 32767;

std::string formatDouble(double value)
{
    // The shortest text that reads back as the very same double.
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::string trimmed(const std::string &text)
{
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t'))
        ++begin;
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t'))
        --end;
    return text.substr(begin, end - begin);
}

std::string lowered(std::string text)
{
    for (char &c : text)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

/// The key-value pairs of an INI text, by lower-case section and key.
class IniText
{
public:
    struct Value
    {
        std::string text;
        int line = 0;
    };

    /// Splits the text; false (with line and problem) for a line that is no
    /// comment, section or key-value pair, or a key given twice.
    bool read(const char *data, size_t size, int *line, std::string *problem)
    {
        std::string section;
        size_t position = 0;
        if (size >= 3 && std::string(data, 3) == "\xEF\xBB\xBF")
            position = 3;
        for (int number = 1; position < size; ++number) {
            size_t end = position;
            while (end < size && data[end] != '\n')
                ++end;
            std::string text(data + position, end - position);
            position = end + 1;
            if (!text.empty() && text.back() == '\r')
                text.pop_back();
            text = trimmed(text);
            if (text.empty() || text[0] == ';' || text[0] == '#')
                continue;
            *line = number;
            // A control character inside a section or key line (a stray
            // carriage return, a NUL) belongs to no name or value the file can
            // hold, and would not survive being written again: the file is corrupt.
            for (char c : text) {
                if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == '\x7f') {
                    *problem = "a control character in the line";
                    return false;
                }
            }
            if (text.front() == '[') {
                if (text.back() != ']') {
                    *problem = "section header without ]";
                    return false;
                }
                section = lowered(trimmed(text.substr(1, text.size() - 2)));
                continue;
            }
            const size_t equals = text.find('=');
            if (equals == std::string::npos) {
                *problem = "not a key=value line";
                return false;
            }
            if (section.empty()) {
                *problem = "key outside a section";
                return false;
            }
            const std::string key = lowered(trimmed(text.substr(0, equals)));
            if (!values_
                     .emplace(std::make_pair(section, key),
                              Value{trimmed(text.substr(equals + 1)), number})
                     .second) {
                *problem = "key given twice";
                return false;
            }
        }
        return true;
    }

    const Value *find(const std::string &section, const std::string &key) const
    {
        auto it = values_.find({section, key});
        return it == values_.end() ? nullptr : &it->second;
    }

private:
    std::map<std::pair<std::string, std::string>, Value> values_;
};

/// Reads the values a parameter file must hold, stopping at the first
/// missing or malformed one.
class ValueReader
{
public:
    explicit ValueReader(const IniText &ini) : ini_(ini) {}

    bool ok() const { return problem_.empty(); }
    int line() const { return line_; }
    const std::string &problem() const { return problem_; }

    const std::string *text(const char *section, const char *key)
    {
        if (!ok())
            return nullptr;
        const IniText::Value *value = ini_.find(section, lowered(key));
        if (value == nullptr) {
            fail(0, std::string("missing ") + key + " in [" + section + "]");
            return nullptr;
        }
        line_ = value->line;
        return &value->text;
    }

    int32_t integer(const char *section, const char *key)
    {
        const std::string *value = text(section, key);
        if (value == nullptr)
            return 0;
        int32_t result = 0;
        const char *end = value->data() + value->size();
        const auto parsed = std::from_chars(value->data(), end, result);
        if (value->empty() || parsed.ec != std::errc() || parsed.ptr != end)
            fail(line_, std::string(key) + " is not a whole number");
        return result;
    }

    double real(const char *section, const char *key)
    {
        const std::string *value = text(section, key);
        if (value == nullptr)
            return 0.0;
        double result = 0.0;
        const char *end = value->data() + value->size();
        const auto parsed = std::from_chars(value->data(), end, result);
        if (value->empty() || parsed.ec != std::errc() || parsed.ptr != end ||
            !std::isfinite(result))
            fail(line_, std::string(key) + " is not a number");
        return result;
    }

    bool flag(const char *section, const char *key)
    {
        const int32_t value = integer(section, key);
        if (ok() && value != 0 && value != 1)
            fail(line_, std::string(key) + " must be 0 or 1");
        return value == 1;
    }

    int32_t factorBits(const char *section, const char *key, bool horizontal)
    {
        const int32_t factor = integer(section, key);
        int32_t bits = 0;
        if (ok() && !factorToBit(factor, horizontal, &bits))
            fail(line_, std::string(key) + " is not a factor of 1, 2, 3, 4, 5, 6, 8 or 16");
        return bits;
    }

private:
    void fail(int line, std::string problem)
    {
        line_ = line;
        problem_ = std::move(problem);
    }

    const IniText &ini_;
    int line_ = 0;
    std::string problem_;
};

QString pathText(const std::u16string &units)
{
    return QString::fromUtf16(units.data(), int(units.size()));
}

} // namespace

std::string ParameterSet::encode(const std::string &model, const std::string &serialNumber,
                                 const SensorSettings &settings)
{
    const SequencerValues &v = settings.values;
    const auto line = [](const char *key, const std::string &value) {
        return std::string(key) + "=" + value + "\n";
    };
    const auto number = [](int64_t value) { return std::to_string(value); };
    std::string text;
    text += "; Camera parameters. Every key is required; the model must match the camera.\n";
    text += "[Camera]\n";
    text += line("Model", model);
    text += line("Serial", serialNumber);
    text += "\n[Image size]\n";
    text += line("Width", number(settings.width));
    text += line("Height", number(settings.height));
    text += line("Offset X", number(v.offsetX));
    text += line("Offset Y", number(v.offsetY));
    text += line("Binning horizontal", number(factorOfBits(settings.binning, true)));
    text += line("Binning vertical", number(factorOfBits(settings.binning, false)));
    text += line("Subsampling horizontal", number(factorOfBits(settings.subsampling, true)));
    text += line("Subsampling vertical", number(factorOfBits(settings.subsampling, false)));
    text += "\n[Timing]\n";
    text += line("Pixel clock", number(settings.pixelClockMHz));
    text += line("Frame rate", formatDouble(settings.frameRate));
    text += line("Exposure", formatDouble(v.exposureMs));
    text += line("Long exposure", number(settings.longExposure ? 1 : 0));
    text += "\n[Gain]\n";
    text += line("Master", number(v.masterGain));
    text += line("Red", number(v.redGain));
    text += line("Green", number(v.greenGain));
    text += line("Blue", number(v.blueGain));
    text += "\n[Flash]\n";
    text += line("Mode", number(v.flashMode));
    text += line("Delay", number(v.flashDelayUs));
    text += line("Duration", number(v.flashDurationUs));
    return text;
}

ParameterSet::Parsed ParameterSet::parse(const char *data, size_t size)
{
    Parsed parsed;
    if (data == nullptr || size > maximumFileSize) {
        parsed.problem = "not a parameter file";
        return parsed;
    }
    IniText ini;
    if (!ini.read(data, size, &parsed.line, &parsed.problem))
        return parsed;

    ValueReader read(ini);
    if (const std::string *model = read.text("camera", "Model"))
        parsed.model = *model;
    if (read.ok() && parsed.model.empty()) {
        parsed.problem = "the camera model is empty";
        parsed.line = read.line();
        return parsed;
    }

    SensorSettings &s = parsed.settings;
    SequencerValues &v = s.values;
    s.width = read.integer("image size", "Width");
    s.height = read.integer("image size", "Height");
    v.offsetX = read.integer("image size", "Offset X");
    v.offsetY = read.integer("image size", "Offset Y");
    s.binning = read.factorBits("image size", "Binning horizontal", true) |
                read.factorBits("image size", "Binning vertical", false);
    s.subsampling = read.factorBits("image size", "Subsampling horizontal", true) |
                    read.factorBits("image size", "Subsampling vertical", false);
    const int32_t pixelClock = read.integer("timing", "Pixel clock");
    s.pixelClockMHz = pixelClock > 0 ? uint32_t(pixelClock) : 0;
    s.frameRate = read.real("timing", "Frame rate");
    v.exposureMs = read.real("timing", "Exposure");
    s.longExposure = read.flag("timing", "Long exposure");
    v.masterGain = read.integer("gain", "Master");
    v.redGain = read.integer("gain", "Red");
    v.greenGain = read.integer("gain", "Green");
    v.blueGain = read.integer("gain", "Blue");
    v.flashMode = read.integer("flash", "Mode");
    v.flashDelayUs = read.integer("flash", "Delay");
    v.flashDurationUs = read.integer("flash", "Duration");
    if (!read.ok()) {
        parsed.line = read.line();
        parsed.problem = read.problem();
        return parsed;
    }
    parsed.line = 0;
    parsed.status = VYRA_SUCCESS;
    return parsed;
}

bool ParameterSet::decodePath(const void *path, std::u16string *units)
{
    if (path == nullptr)
        return false;
    const auto *text = static_cast<const char16_t *>(path);
    size_t length = 0;
    while (length <= maximumPathLength && text[length] != u'\0')
        ++length;
    if (length == 0 || length > maximumPathLength)
        return false;
    for (size_t i = 0; i < length; ++i) {
        const char16_t unit = text[i];
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (i + 1 >= length || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF)
                return false;
            ++i;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            return false;
        }
    }
    units->assign(text, length);
    return true;
}

VyraStatus ParameterSet::writeFile(const void *path, const std::string &bytes)
{
    std::u16string units;
    if (!decodePath(path, &units))
        return VYRA_INVALID_PARAMETER;
    QSaveFile file(pathText(units));
    if (!file.open(QIODevice::WriteOnly))
        return VYRA_FILE_WRITE_OPEN_ERROR;
    if (file.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size())) {
        file.cancelWriting();
        return VYRA_FILE_WRITE_OPEN_ERROR;
    }
    return file.commit() ? VYRA_SUCCESS : VYRA_FILE_WRITE_OPEN_ERROR;
}

VyraStatus ParameterSet::readFile(const void *path, std::string *bytes)
{
    std::u16string units;
    if (!decodePath(path, &units))
        return VYRA_INVALID_PARAMETER;
    QFile file(pathText(units));
    if (!file.open(QIODevice::ReadOnly))
        return VYRA_FILE_READ_OPEN_ERROR;
    const QByteArray data = file.read(qint64(maximumFileSize) + 1);
    if (file.error() != QFileDevice::NoError)
        return VYRA_FILE_READ_OPEN_ERROR;
    if (size_t(data.size()) > maximumFileSize)
        return VYRA_INVALID_PARAMETER;
    bytes->assign(data.constData(), size_t(data.size()));
    return VYRA_SUCCESS;
}

} // namespace VyraSim
