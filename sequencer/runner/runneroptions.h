#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include "imagefilewriter.h"
#include "sequencerframerate.h"

/// What vyra-sequencer-run was asked to do, read from its command line:
/// which camera, which files, how fast, how long and where the images go.
/// parse() checks everything that can be checked before a camera is opened.
struct RunnerOptions
{
    Q_DECLARE_TR_FUNCTIONS(RunnerOptions)

public:
    /// The options, or why the command line is not understood.
    struct Parsed;

    /// The sequencer configuration (XML) to run.
    QString sequenceFile;
    /// The folder the recording's own folder is made in.
    QString outFolder;
    /// The camera parameters (INI) loaded before the sequence; none when empty.
    QString cameraFile;
    /// Serial number, model or position in the camera list; empty: the first
    /// free camera.
    QString camera;
    /// Images a second the sequence runs at: the window's rate of a first start
    /// unless asked for another.
    double rate = SequencerFramerate::defaultValue;
    /// Runs at the camera's highest rate for the sequence instead ("--rate max").
    bool highestRate = false;
    /// Cycles to record; 0 records until the time is up or until interrupted.
    int cycles = 0;
    /// How long to record; 0 records until the cycles are done or until
    /// interrupted.
    double seconds = 0.0;
    ImageFileFormat format = ImageFileFormat::Tiff;
    /// Also writes the fused image of each cycle.
    bool fused = false;
    /// The summary as one JSON object on standard output.
    bool json = false;
    /// Lists the cameras instead of running.
    bool listCameras = false;
    /// Runs the sequence and counts its images without writing any.
    bool noRecord = false;
    /// Shows the usage instead of running.
    bool help = false;

    /// Reads a command line (the program's name first).
    static Parsed parse(const QStringList &arguments);
    /// The usage, as --help shows it.
    static QString helpText();
};

struct RunnerOptions::Parsed
{
    RunnerOptions options;
    /// Empty when the command line is understood.
    QString error;
};
