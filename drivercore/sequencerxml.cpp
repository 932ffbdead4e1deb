#include "sequencerxml.h"

#include <QFile>
#include <QLocale>
#include <QSaveFile>
#include <QTextCodec>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <cmath>
#include <set>

/*
 * The document, for a camera with 32 sets and Exposure and Gain enabled:
 *
 *   <?xml version="1.0" encoding="UTF-8"?>
 *   <sequencerConfiguration version="1" model="VK2230C" sets="32">
 *     <enabledFeatures>
 *       <feature id="1" name="Exposure"/>
 *       <feature id="2" name="Gain"/>
 *     </enabledFeatures>
 *     <set index="0">
 *       <exposure milliseconds="12.5"/>
 *       <gain master="10" red="0" green="0" blue="0"/>
 *       <aoiOffset x="0" y="0"/>
 *       <flash mode="0" durationUs="0" delayUs="0"/>
 *       <path index="0" nextSet="1" triggerSource="1"/>
 *     </set>
 *     ... one <set> per set ...
 *   </sequencerConfiguration>
 *
 * Reading is strict about what it understands and tolerant only of what
 * cannot change the meaning: unknown attributes, comments and processing
 * instructions are skipped. A set or a value element that is absent takes the
 * power-on state (the camera's defaults, path 0 to set 0 with trigger source
 * Off). The feature names are for people; the identifiers count.
 */

namespace VyraSim {

namespace {

const QString rootElement = QStringLiteral("sequencerConfiguration");
/// The IANA number of UTF-8, the only encoding of a configuration file.
constexpr int utf8Mib = 106;
const QString formatVersion = QStringLiteral("1");

struct FeatureName
{
    uint32_t id;
    const char *name;
};

constexpr FeatureName featureNames[] = {
    {VYRA_FEATURE_EXPOSURE, "Exposure"},
    {VYRA_FEATURE_GAIN, "Gain"},
    {VYRA_FEATURE_AOI_OFFSET_X, "AOI Offset X"},
    {VYRA_FEATURE_AOI_OFFSET_Y, "AOI Offset Y"},
    {VYRA_FEATURE_FLASH, "Flash"},
};

/// Whether the XML declaration at the start of text, if there is one, names
/// no encoding or UTF-8. Checked before the XML reader sees the document:
/// the reader would look up a text codec by whatever name the file gives.
bool declaresUtf8(const QString &text)
{
    if (!text.startsWith(QLatin1String("<?xml")))
        return true;
    const int end = text.indexOf(QLatin1String("?>"));
    if (end < 0)
        return false;
    const QStringRef declaration = text.leftRef(end);
    const QLatin1String name("encoding");
    const int at = declaration.indexOf(name);
    if (at < 0)
        return true;
    if (declaration.indexOf(name, at + 1) >= 0 || !declaration.at(at - 1).isSpace())
        return false;
    int i = at + name.size();
    while (i < declaration.size() && declaration.at(i).isSpace())
        ++i;
    if (i >= declaration.size() || declaration.at(i) != QLatin1Char('='))
        return false;
    ++i;
    while (i < declaration.size() && declaration.at(i).isSpace())
        ++i;
    if (i >= declaration.size() ||
        (declaration.at(i) != QLatin1Char('"') && declaration.at(i) != QLatin1Char('\'')))
        return false;
    const QChar quote = declaration.at(i);
    const int close = declaration.indexOf(quote, i + 1);
    return close > i && declaration.mid(i + 1, close - i - 1)
                                .compare(QLatin1String("UTF-8"), Qt::CaseInsensitive) == 0;
}

/// A document fault: the status the driver answers and why.
struct Fault
{
    VyraStatus status;
    QString reason;
};

/// Parses one document; every method either succeeds or records the first fault.
class DocumentReader
{
public:
    /// text: the document, already decoded from UTF-8.
    DocumentReader(const QString &text, const SequencerXml::Camera &camera)
        : reader_(text), camera_(camera)
    {
    }

    SequencerXml::Decoded read()
    {
        SequencerXml::Decoded result;
        result.configuration.sets.assign(static_cast<size_t>(camera_.setCount), powerOnSet());
        if (readDocument(result.configuration)) {
            result.status = VYRA_SUCCESS;
        } else {
            result.status = fault_.status;
            result.error = fault_.reason;
            result.configuration = SequencerConfiguration();
        }
        return result;
    }

private:
    SequencerConfiguration::Set powerOnSet() const
    {
        SequencerConfiguration::Set set;
        set.values = camera_.defaults;
        return set;
    }

    bool fail(const QString &reason, VyraStatus status = VYRA_INVALID_PARAMETER)
    {
        if (fault_.reason.isEmpty())
            fault_ = {status, reason};
        return false;
    }

    bool failAtLine(const QString &reason)
    {
        return fail(QStringLiteral("line %1: %2").arg(reader_.lineNumber()).arg(reason));
    }

    /// Moves to the next start or end element; only whitespace, comments and
    /// processing instructions may come between them.
    bool nextElementToken()
    {
        while (!reader_.atEnd()) {
            switch (reader_.readNext()) {
            case QXmlStreamReader::StartElement:
            case QXmlStreamReader::EndElement:
                return true;
            case QXmlStreamReader::DTD:
                // Refused before anything in it is processed: no entity of a
                // document type definition is ever expanded or fetched.
                return failAtLine(QStringLiteral("document type definitions are not accepted"));
            case QXmlStreamReader::EntityReference:
                return failAtLine(QStringLiteral("entity references are not accepted"));
            case QXmlStreamReader::Characters:
                if (!reader_.isWhitespace())
                    return failAtLine(QStringLiteral("unexpected text"));
                break;
            default:
                break;
            }
        }
        if (reader_.hasError())
            return failAtLine(QStringLiteral("not well-formed XML: %1").arg(reader_.errorString()));
        return failAtLine(QStringLiteral("the document ends early"));
    }

    /// Reads an element that has no content of its own.
    bool endEmptyElement()
    {
        if (!nextElementToken())
            return false;
        if (!reader_.isEndElement())
            return failAtLine(QStringLiteral("unexpected element <%1>").arg(reader_.name()));
        return true;
    }

    bool intAttribute(const QString &name, int32_t &value)
    {
        const QStringRef text = reader_.attributes().value(name);
        bool ok = false;
        const int parsed = text.trimmed().toInt(&ok);
        if (!ok)
            return failAtLine(
                QStringLiteral("<%1> needs an integer attribute %2").arg(reader_.name(), name));
        value = parsed;
        return true;
    }

    bool doubleAttribute(const QString &name, double &value)
    {
        const QStringRef text = reader_.attributes().value(name);
        bool ok = false;
        const double parsed = text.trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(parsed))
            return failAtLine(
                QStringLiteral("<%1> needs a number attribute %2").arg(reader_.name(), name));
        value = parsed;
        return true;
    }

    bool readDocument(SequencerConfiguration &configuration)
    {
        if (!nextElementToken())
            return false;
        if (reader_.name() != rootElement)
            return failAtLine(QStringLiteral("not a sequencer configuration"));
        const QXmlStreamAttributes attributes = reader_.attributes();
        if (attributes.value(QStringLiteral("version")) != formatVersion)
            return failAtLine(QStringLiteral("unknown format version \"%1\"")
                                  .arg(attributes.value(QStringLiteral("version"))));
        const QString model = attributes.value(QStringLiteral("model")).toString();
        if (model != QString::fromStdString(camera_.model))
            return fail(QStringLiteral("the file is for the camera model \"%1\", not \"%2\"")
                            .arg(model, QString::fromStdString(camera_.model)),
                        VYRA_INVALID_CAMERA_TYPE);
        if (!intAttribute(QStringLiteral("sets"), fileSetCount_))
            return false;
        if (fileSetCount_ < 1 || fileSetCount_ > camera_.setCount)
            return failAtLine(QStringLiteral("%1 sets, the camera holds 1 to %2")
                                  .arg(fileSetCount_)
                                  .arg(camera_.setCount));

        bool featuresRead = false;
        std::set<int32_t> setsRead;
        while (nextElementToken()) {
            if (reader_.isEndElement())
                return endDocument();
            if (reader_.name() == QLatin1String("enabledFeatures")) {
                if (featuresRead)
                    return failAtLine(QStringLiteral("a second <enabledFeatures>"));
                featuresRead = true;
                if (!readEnabledFeatures(configuration.enabledFeatures))
                    return false;
            } else if (reader_.name() == QLatin1String("set")) {
                int32_t index = 0;
                if (!intAttribute(QStringLiteral("index"), index))
                    return false;
                if (index < 0 || index >= fileSetCount_)
                    return failAtLine(
                        QStringLiteral("set index %1 is not one of the %2 sets of the file")
                            .arg(index)
                            .arg(fileSetCount_));
                if (!setsRead.insert(index).second)
                    return failAtLine(QStringLiteral("set %1 appears twice").arg(index));
                if (!readSet(configuration.sets[static_cast<size_t>(index)]))
                    return false;
            } else {
                return failAtLine(QStringLiteral("unexpected element <%1>").arg(reader_.name()));
            }
        }
        return false;
    }

    /// After the root element only whitespace, comments and processing
    /// instructions may follow.
    bool endDocument()
    {
        while (!reader_.atEnd()) {
            const QXmlStreamReader::TokenType token = reader_.readNext();
            if (token == QXmlStreamReader::Characters && !reader_.isWhitespace())
                return failAtLine(QStringLiteral("text after the document"));
        }
        if (reader_.hasError())
            return failAtLine(QStringLiteral("not well-formed XML: %1").arg(reader_.errorString()));
        return true;
    }

    bool readEnabledFeatures(uint32_t &features)
    {
        while (nextElementToken()) {
            if (reader_.isEndElement())
                return true;
            if (reader_.name() != QLatin1String("feature"))
                return failAtLine(QStringLiteral("unexpected element <%1>").arg(reader_.name()));
            int32_t id = 0;
            if (!intAttribute(QStringLiteral("id"), id))
                return false;
            bool known = false;
            for (const FeatureName &feature : featureNames)
                known = known || static_cast<int32_t>(feature.id) == id;
            if (!known)
                return failAtLine(QStringLiteral("unknown feature %1").arg(id));
            if (features & static_cast<uint32_t>(id))
                return failAtLine(QStringLiteral("feature %1 appears twice").arg(id));
            features |= static_cast<uint32_t>(id);
            if (!endEmptyElement())
                return false;
        }
        return false;
    }

    bool readSet(SequencerConfiguration::Set &set)
    {
        std::set<QString> elementsRead;
        SequencerValues &values = set.values;
        while (nextElementToken()) {
            if (reader_.isEndElement())
                return true;
            const QString element = reader_.name().toString();
            if (!elementsRead.insert(element).second)
                return failAtLine(QStringLiteral("<%1> appears twice in a set").arg(element));
            bool valid = false;
            if (element == QLatin1String("exposure")) {
                valid = doubleAttribute(QStringLiteral("milliseconds"), values.exposureMs) &&
                        check(!limits() || limits()->exposureValid(values.exposureMs));
            } else if (element == QLatin1String("gain")) {
                valid = intAttribute(QStringLiteral("master"), values.masterGain) &&
                        intAttribute(QStringLiteral("red"), values.redGain) &&
                        intAttribute(QStringLiteral("green"), values.greenGain) &&
                        intAttribute(QStringLiteral("blue"), values.blueGain) &&
                        check(!limits() || limits()->gainValid(values.masterGain, values.redGain,
                                                               values.greenGain, values.blueGain));
            } else if (element == QLatin1String("aoiOffset")) {
                valid = intAttribute(QStringLiteral("x"), values.offsetX) &&
                        intAttribute(QStringLiteral("y"), values.offsetY) &&
                        check(!limits() || (limits()->offsetXValid(values.offsetX) &&
                                            limits()->offsetYValid(values.offsetY)));
            } else if (element == QLatin1String("flash")) {
                valid = intAttribute(QStringLiteral("mode"), values.flashMode) &&
                        intAttribute(QStringLiteral("durationUs"), values.flashDurationUs) &&
                        intAttribute(QStringLiteral("delayUs"), values.flashDelayUs) &&
                        check(!limits() ||
                              limits()->flashValid(values.flashMode, values.flashDurationUs,
                                                   values.flashDelayUs));
            } else if (element == QLatin1String("path")) {
                valid = readPath(set);
            } else {
                return failAtLine(QStringLiteral("unexpected element <%1>").arg(element));
            }
            if (!valid || !endEmptyElement())
                return false;
        }
        return false;
    }

    bool readPath(SequencerConfiguration::Set &set)
    {
        int32_t index = 0;
        if (!intAttribute(QStringLiteral("index"), index) ||
            !intAttribute(QStringLiteral("nextSet"), set.nextSet) ||
            !intAttribute(QStringLiteral("triggerSource"), set.triggerSource))
            return false;
        if (index != 0)
            return failAtLine(
                QStringLiteral("path %1 does not exist, a set has path 0 only").arg(index));
        if (set.nextSet < 0 || set.nextSet >= fileSetCount_)
            return failAtLine(QStringLiteral("next set %1 is not one of the %2 sets of the file")
                                  .arg(set.nextSet)
                                  .arg(fileSetCount_));
        const bool offered = set.triggerSource == VYRA_SEQUENCER_TRIGGER_OFF ||
                             ((set.triggerSource == VYRA_SEQUENCER_TRIGGER_FRAME_END ||
                               set.triggerSource == VYRA_SEQUENCER_TRIGGER_FRAME_START ||
                               set.triggerSource == VYRA_SEQUENCER_TRIGGER_EXPOSURE_END) &&
                              (camera_.triggerSourceMask & set.triggerSource));
        if (!offered)
            return failAtLine(
                QStringLiteral("the camera offers no trigger source %1").arg(set.triggerSource));
        return true;
    }

    /// Turns a range check of the element just read into a fault.
    bool check(bool inRange)
    {
        return inRange || failAtLine(QStringLiteral("a value of <%1> is out of the camera's range")
                                         .arg(reader_.name()));
    }

    const ParameterLimits *limits() const { return camera_.limits; }

    QXmlStreamReader reader_;
    const SequencerXml::Camera &camera_;
    Fault fault_{VYRA_SUCCESS, QString()};
    int32_t fileSetCount_ = 0;
};

} // namespace

QByteArray SequencerXml::encode(const std::string &model,
                                const SequencerConfiguration &configuration)
{
    QByteArray document;
    QXmlStreamWriter writer(&document);
    writer.setAutoFormatting(true);
    writer.setAutoFormattingIndent(2);
    writer.writeStartDocument();
    writer.writeStartElement(rootElement);
    writer.writeAttribute(QStringLiteral("version"), formatVersion);
    writer.writeAttribute(QStringLiteral("model"), QString::fromStdString(model));
    writer.writeAttribute(QStringLiteral("sets"), QString::number(configuration.sets.size()));

    writer.writeStartElement(QStringLiteral("enabledFeatures"));
    for (const FeatureName &feature : featureNames) {
        if (!(configuration.enabledFeatures & feature.id))
            continue;
        writer.writeEmptyElement(QStringLiteral("feature"));
        writer.writeAttribute(QStringLiteral("id"), QString::number(feature.id));
        writer.writeAttribute(QStringLiteral("name"), QLatin1String(feature.name));
    }
    writer.writeEndElement();

    for (size_t index = 0; index < configuration.sets.size(); ++index) {
        const SequencerConfiguration::Set &set = configuration.sets[index];
        const SequencerValues &values = set.values;
        writer.writeStartElement(QStringLiteral("set"));
        writer.writeAttribute(QStringLiteral("index"), QString::number(index));

        writer.writeEmptyElement(QStringLiteral("exposure"));
        // The shortest text that reads back as the very same double.
        writer.writeAttribute(
            QStringLiteral("milliseconds"),
            QString::number(values.exposureMs, 'g', QLocale::FloatingPointShortest));
        writer.writeEmptyElement(QStringLiteral("gain"));
        writer.writeAttribute(QStringLiteral("master"), QString::number(values.masterGain));
        writer.writeAttribute(QStringLiteral("red"), QString::number(values.redGain));
        writer.writeAttribute(QStringLiteral("green"), QString::number(values.greenGain));
        writer.writeAttribute(QStringLiteral("blue"), QString::number(values.blueGain));
        writer.writeEmptyElement(QStringLiteral("aoiOffset"));
        writer.writeAttribute(QStringLiteral("x"), QString::number(values.offsetX));
        writer.writeAttribute(QStringLiteral("y"), QString::number(values.offsetY));
        writer.writeEmptyElement(QStringLiteral("flash"));
        writer.writeAttribute(QStringLiteral("mode"), QString::number(values.flashMode));
        writer.writeAttribute(QStringLiteral("durationUs"),
                              QString::number(values.flashDurationUs));
        writer.writeAttribute(QStringLiteral("delayUs"), QString::number(values.flashDelayUs));
        writer.writeEmptyElement(QStringLiteral("path"));
        writer.writeAttribute(QStringLiteral("index"), QStringLiteral("0"));
        writer.writeAttribute(QStringLiteral("nextSet"), QString::number(set.nextSet));
        writer.writeAttribute(QStringLiteral("triggerSource"), QString::number(set.triggerSource));

        writer.writeEndElement();
    }
    writer.writeEndElement();
    writer.writeEndDocument();
    return document;
}

SequencerXml::Decoded SequencerXml::decode(const QByteArray &document, const Camera &camera)
{
    if (document.size() > maximumDocumentSize) {
        Decoded result;
        result.status = VYRA_INVALID_PARAMETER;
        result.error =
            QStringLiteral("the document is larger than %1 bytes").arg(maximumDocumentSize);
        return result;
    }
    QTextCodec::ConverterState state;
    const QString text =
        QTextCodec::codecForMib(utf8Mib)->toUnicode(document.constData(), document.size(), &state);
    if (state.invalidChars > 0 || state.remainingChars > 0) {
        Decoded result;
        result.status = VYRA_INVALID_PARAMETER;
        result.error = QStringLiteral("the document is not UTF-8 text");
        return result;
    }
    if (!declaresUtf8(text)) {
        Decoded result;
        result.status = VYRA_INVALID_PARAMETER;
        result.error = QStringLiteral("the XML declaration names another encoding than UTF-8");
        return result;
    }
    return DocumentReader(text, camera).read();
}

VyraStatus SequencerXml::readFile(const QString &path, QByteArray &document)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return VYRA_FILE_READ_OPEN_ERROR;
    // Reading one byte more than allowed tells a too large file from a full
    // one without trusting the size a special file reports.
    document = file.read(maximumDocumentSize + 1);
    return file.error() == QFileDevice::NoError ? VYRA_SUCCESS : VYRA_FILE_READ_OPEN_ERROR;
}

VyraStatus SequencerXml::writeFile(const QString &path, const QByteArray &document)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return VYRA_FILE_WRITE_OPEN_ERROR;
    if (file.write(document) != document.size() || !file.commit())
        return VYRA_FILE_WRITE_OPEN_ERROR;
    return VYRA_SUCCESS;
}

} // namespace VyraSim
