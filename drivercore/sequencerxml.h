#pragma once

#include <QByteArray>
#include <QString>
#include <string>

#include "sequencerconfiguration.h"
#include "simsequencer.h"

namespace VyraSim {

/// The sequencer configuration file: an XML document holding the camera
/// model, the number of sets, the enabled features and every set's values and
/// path. Decoding checks the whole document against the camera before it
/// answers a configuration, so a caller can apply all of it or nothing.
class SequencerXml
{
public:
    /// What a document is checked against.
    struct Camera
    {
        std::string model;
        int setCount = 0;
        int32_t triggerSourceMask = 0;
        /// The values of a set the document does not mention.
        SequencerValues defaults;
        /// The camera's ranges; without them only the structure is checked.
        const ParameterLimits *limits = nullptr;
    };

    /// Outcome of decoding: VYRA_SUCCESS and the configuration, or the status
    /// the driver answers and a reason for a person.
    struct Decoded
    {
        VyraStatus status = VYRA_SUCCESS;
        QString error;
        SequencerConfiguration configuration;
    };

    /// Files larger than this are refused unread: a real configuration is a
    /// few kilobytes even with the most sets.
    static constexpr qint64 maximumDocumentSize = 1024 * 1024;

    static QByteArray encode(const std::string &model, const SequencerConfiguration &configuration);
    /// Pure: parses and checks a document held in memory.
    static Decoded decode(const QByteArray &document, const Camera &camera);

    /// Reads a file of at most maximumDocumentSize bytes (one more for a larger
    /// one, which decode refuses); VYRA_FILE_READ_OPEN_ERROR when it cannot be read.
    static VyraStatus readFile(const QString &path, QByteArray &document);
    /// Writes the document to a temporary file beside path and renames it over
    /// path, so a failed save (VYRA_FILE_WRITE_OPEN_ERROR) leaves any existing
    /// file untouched.
    static VyraStatus writeFile(const QString &path, const QByteArray &document);
};

} // namespace VyraSim
