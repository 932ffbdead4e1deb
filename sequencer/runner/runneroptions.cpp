#include "runneroptions.h"

#include <QCommandLineParser>

#include <cmath>

#include "imagerecorder.h"

namespace {

const QString sequenceName = QStringLiteral("sequence");
const QString outName = QStringLiteral("out");
const QString cameraConfigName = QStringLiteral("camera-config");
const QString cameraName = QStringLiteral("camera");
const QString rateName = QStringLiteral("rate");
const QString cyclesName = QStringLiteral("cycles");
const QString secondsName = QStringLiteral("seconds");
const QString formatName = QStringLiteral("format");
const QString fusedName = QStringLiteral("fused");
const QString jsonName = QStringLiteral("json");
const QString listCamerasName = QStringLiteral("list-cameras");
const QString noRecordName = QStringLiteral("no-record");
const QString helpName = QStringLiteral("help");

// A number the option can take: finite and above zero.
bool positiveNumber(const QString &text, double &number)
{
    bool ok = false;
    number = text.toDouble(&ok);
    return ok && std::isfinite(number) && number > 0.0;
}

} // namespace

RunnerOptions::Parsed RunnerOptions::parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    // The options are read as written; --opt=value works as well.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QString withValue = QStringLiteral("value");
    for (const QString &name : {sequenceName, outName, cameraConfigName, cameraName, rateName,
                                cyclesName, secondsName, formatName})
        parser.addOption(QCommandLineOption(name, QString(), withValue));
    for (const QString &name : {fusedName, jsonName, listCamerasName, noRecordName})
        parser.addOption(QCommandLineOption(name));
    parser.addOption(QCommandLineOption(QStringList{QStringLiteral("h"), helpName}));

    Parsed parsed;
    RunnerOptions &options = parsed.options;
    if (!parser.parse(arguments)) {
        // Qt's texts end in a full stop; the line goes on after them.
        parsed.error = parser.errorText();
        if (parsed.error.endsWith(QLatin1Char('.')))
            parsed.error.chop(1);
        return parsed;
    }
    options.help = parser.isSet(helpName);
    if (options.help)
        return parsed;
    if (!parser.positionalArguments().isEmpty()) {
        parsed.error = tr("unexpected argument '%1'").arg(parser.positionalArguments().first());
        return parsed;
    }

    options.json = parser.isSet(jsonName);
    options.listCameras = parser.isSet(listCamerasName);
    if (options.listCameras)
        return parsed;

    options.sequenceFile = parser.value(sequenceName);
    options.outFolder = parser.value(outName);
    options.cameraFile = parser.value(cameraConfigName);
    options.camera = parser.value(cameraName);
    options.fused = parser.isSet(fusedName);
    options.noRecord = parser.isSet(noRecordName);

    if (options.sequenceFile.isEmpty()) {
        parsed.error = tr("--sequence FILE.xml is missing");
    } else if (options.noRecord && parser.isSet(outName)) {
        parsed.error = tr("--no-record writes nothing: --out does not go with it");
    } else if (!options.noRecord && options.outFolder.isEmpty()) {
        parsed.error = tr("--out DIR is missing");
    } else if (parser.isSet(cyclesName) && parser.isSet(secondsName)) {
        parsed.error = tr("--cycles and --seconds do not go together: choose one");
    } else if (options.noRecord && parser.isSet(cyclesName)) {
        parsed.error = tr("--no-record counts no cycles: end it with --seconds");
    } else if (options.noRecord && (options.fused || parser.isSet(formatName))) {
        parsed.error = tr("--no-record writes no image: --format and --fused do not go with it");
    } else if (options.fused && !ImageRecorder::canFuseCycles()) {
        parsed.error = tr("--fused: this build has no exposure fusion");
    }
    if (!parsed.error.isEmpty())
        return parsed;

    options.highestRate = parser.value(rateName) == QLatin1String("max");
    if (parser.isSet(rateName) && !options.highestRate &&
        !positiveNumber(parser.value(rateName), options.rate)) {
        parsed.error = tr("--rate takes images a second above 0, or max, not '%1'")
                           .arg(parser.value(rateName));
        return parsed;
    }
    if (parser.isSet(cyclesName)) {
        bool ok = false;
        options.cycles = parser.value(cyclesName).toInt(&ok);
        if (!ok || options.cycles <= 0) {
            parsed.error =
                tr("--cycles takes a whole number above 0, not '%1'").arg(parser.value(cyclesName));
            return parsed;
        }
    }
    if (parser.isSet(secondsName) && !positiveNumber(parser.value(secondsName), options.seconds)) {
        parsed.error =
            tr("--seconds takes a number above 0, not '%1'").arg(parser.value(secondsName));
        return parsed;
    }
    if (parser.isSet(formatName)) {
        const QString format = parser.value(formatName).toLower();
        if (format == ImageFileWriter::suffix(ImageFileFormat::Tiff)) {
            options.format = ImageFileFormat::Tiff;
        } else if (format == ImageFileWriter::suffix(ImageFileFormat::Png)) {
            options.format = ImageFileFormat::Png;
        } else {
            parsed.error = tr("--format takes tiff or png, not '%1'").arg(parser.value(formatName));
            return parsed;
        }
    }
    return parsed;
}

QString RunnerOptions::helpText()
{
    return tr("Usage: vyra-sequencer-run --sequence FILE.xml --out DIR [--camera-config FILE.ini]\n"
              "                          [--camera SERIAL|MODEL|INDEX] [--rate FPS]\n"
              "                          [--cycles N | --seconds S] [--format tiff|png] [--fused]\n"
              "                          [--json]\n"
              "       vyra-sequencer-run --sequence FILE.xml --no-record [--seconds S] ...\n"
              "       vyra-sequencer-run --list-cameras [--json]\n"
              "\n"
              "Runs a sequencer configuration saved by Vyra Sequencer on a camera, without a\n"
              "window, and records every image into a new folder inside DIR named by the\n"
              "start time, as the window's Record does: one file per image, images.csv,\n"
              "recording.txt, sequencer.xml and camera.ini.\n"
              "\n"
              "  --sequence FILE.xml         the sequencer configuration to run\n"
              "  --out DIR                   where the recording's folder is made\n"
              "  --camera-config FILE.ini    camera parameters, loaded before the sequence\n"
              "  --camera SERIAL|MODEL|INDEX the camera: its serial number, its model or its\n"
              "                              place in --list-cameras (from 0); by default the\n"
              "                              first free camera\n"
              "  --rate FPS|max              images a second (default %1), up to the camera's\n"
              "                              highest rate for the sequence's longest exposure;\n"
              "                              max runs at that rate\n"
              "  --cycles N                  records N cycles of the sequence, then ends\n"
              "  --seconds S                 records for S seconds, then ends; without\n"
              "                              --cycles or --seconds: until interrupted\n"
              "  --format tiff|png           the image files (default tiff)\n"
              "  --fused                     also the fused image of each cycle\n"
              "  --no-record                 runs the sequence and counts its images, writes\n"
              "                              nothing\n"
              "  --json                      the summary as one JSON object on standard output\n"
              "  --list-cameras              lists the cameras and ends\n"
              "  -h, --help                  shows this text\n"
              "\n"
              "SIGINT (Ctrl+C) and SIGTERM end the recording: every image written is complete\n"
              "and listed, and the camera is left stopped. VYRA_DRIVER=aravis runs on the\n"
              "GenICam cameras Aravis finds.\n"
              "\n"
              "Exit status: 0 done as asked; 1 usage; 2 no such camera, or the camera failed\n"
              "or was removed; 3 a sequence or camera file that cannot be read or loaded;\n"
              "4 the recording could not be written; 130 interrupted.\n")
        .arg(SequencerFramerate::defaultValue);
}
