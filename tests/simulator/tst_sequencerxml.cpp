#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "sequencerxml.h"
#include "simsequencer.h"
#include "tst_simsequencer_support.h"

using SequencerTest::Bench;
using SequencerTest::distinctValues;
using VyraSim::SequencerXml;

// The sequencer configuration file: the round trip through sub-commands 8
// and 7, and every kind of bad file refused without a trace.
class TestSequencerXml : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void roundTripRestoresEverySetAndFeature();
    void documentIsReadable();
    void badFilesAreRefusedAndChangeNothing_data();
    void badFilesAreRefusedAndChangeNothing();
    void missingFileAnswersReadError();
    void absentSetsAndValuesTakeThePowerOnState();
    void failedSaveKeepsTheExistingFile();
    void saveIntoMissingDirectoryFails();

private:
    /// Fills a bench with a three-set ring and some features enabled.
    static void configure(Bench &bench);
    QString filePath(const QString &name) const { return dir_->filePath(name); }

    QScopedPointer<QTemporaryDir> dir_;
};

void TestSequencerXml::init()
{
    dir_.reset(new QTemporaryDir);
    QVERIFY(dir_->isValid());
}

void TestSequencerXml::configure(Bench &bench)
{
    QCOMPARE(bench.setInt(VYRA_SEQUENCER_CONFIGURATION_SET, 1), VYRA_SUCCESS);
    QCOMPARE(bench.enableFeature(VYRA_FEATURE_EXPOSURE), VYRA_SUCCESS);
    QCOMPARE(bench.enableFeature(VYRA_FEATURE_GAIN), VYRA_SUCCESS);
    QCOMPARE(bench.enableFeature(VYRA_FEATURE_FLASH), VYRA_SUCCESS);
    VyraSim::SequencerValues awkward = distinctValues(1);
    awkward.exposureMs = 0.1 + 0.2; // no short decimal text is this double
    QCOMPARE(bench.storeSet(0, awkward, 1, VYRA_SEQUENCER_TRIGGER_FRAME_END), VYRA_SUCCESS);
    QCOMPARE(bench.storeSet(1, distinctValues(2), 2, VYRA_SEQUENCER_TRIGGER_FRAME_START),
             VYRA_SUCCESS);
    QCOMPARE(bench.storeSet(2, distinctValues(3), 0, VYRA_SEQUENCER_TRIGGER_EXPOSURE_END),
             VYRA_SUCCESS);
    QCOMPARE(bench.setInt(VYRA_SEQUENCER_CONFIGURATION_SET, 0), VYRA_SUCCESS);
}

void TestSequencerXml::roundTripRestoresEverySetAndFeature()
{
    Bench bench;
    configure(bench);
    const VyraSim::SequencerConfiguration saved = bench.sequencer.configuration();
    const QString path = filePath(QStringLiteral("sequence.xml"));
    QCOMPARE(bench.fileCommand(VYRA_SEQUENCER_SAVE_FILE, path), VYRA_SUCCESS);

    QCOMPARE(bench.none(VYRA_SEQUENCER_RESET), VYRA_SUCCESS);
    QVERIFY(bench.sequencer.configuration() != saved);
    QCOMPARE(bench.setInt(VYRA_SEQUENCER_CONFIGURATION_SET, 1), VYRA_SUCCESS);
    QCOMPARE(bench.fileCommand(VYRA_SEQUENCER_LOAD_FILE, path), VYRA_SUCCESS);
    QVERIFY(bench.sequencer.configuration() == saved);

    // Read back through the sub-commands, as the application does.
    for (int64_t feature : {1, 2, 16}) {
        QCOMPARE(bench.selectFeature(feature), VYRA_SUCCESS);
        QCOMPARE(bench.getInt(VYRA_SEQUENCER_FEATURE_ENABLED), 1);
    }
    QCOMPARE(bench.selectFeature(VYRA_FEATURE_AOI_OFFSET_X), VYRA_SUCCESS);
    QCOMPARE(bench.getInt(VYRA_SEQUENCER_FEATURE_ENABLED), 0);
    QCOMPARE(bench.setInt(VYRA_SEQUENCER_SELECT_SET, 1), VYRA_SUCCESS);
    QCOMPARE(bench.readPath().nextSet, 2);
    QCOMPARE(bench.readPath().triggerSource, VYRA_SEQUENCER_TRIGGER_FRAME_START);
    QCOMPARE(bench.selectFeature(VYRA_FEATURE_EXPOSURE), VYRA_SUCCESS);
    double exposure = 0;
    QCOMPARE(bench.sequencer.control(VYRA_SEQUENCER_FEATURE_VALUE, &exposure, 8, bench.context),
             VYRA_SUCCESS);
    QCOMPARE(exposure, distinctValues(2).exposureMs);

    // Saving the loaded state again gives the same document.
    const QString again = filePath(QStringLiteral("again.xml"));
    QCOMPARE(bench.fileCommand(VYRA_SEQUENCER_SAVE_FILE, again), VYRA_SUCCESS);
    QFile first(path), second(again);
    QVERIFY(first.open(QIODevice::ReadOnly) && second.open(QIODevice::ReadOnly));
    QCOMPARE(second.readAll(), first.readAll());
}

void TestSequencerXml::documentIsReadable()
{
    Bench bench;
    configure(bench);
    const QString document = QString::fromUtf8(
        SequencerXml::encode(bench.context.model, bench.sequencer.configuration()));
    QVERIFY(document.startsWith(QLatin1String("<?xml")));
    QVERIFY(document.contains(QLatin1String("model=\"VK1240C\"")));
    QVERIFY(document.contains(QLatin1String("sets=\"32\"")));
    QVERIFY(document.contains(QLatin1String("<feature id=\"2\" name=\"Gain\"/>")));
    QVERIFY(!document.contains(QLatin1String("name=\"AOI Offset X\"")));
    QVERIFY(document.contains(QLatin1String("<exposure milliseconds=\"0.30000000000000004\"/>")));
    QVERIFY(
        document.contains(QLatin1String("<path index=\"0\" nextSet=\"2\" triggerSource=\"2\"/>")));
    QCOMPARE(document.count(QLatin1String("<set ")), 32);
    // One element per line.
    QVERIFY(document.count(QLatin1Char('\n')) > 32 * 6);
}

void TestSequencerXml::badFilesAreRefusedAndChangeNothing_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<VyraStatus>("status");
    QTest::addColumn<QString>("reason");
    const VyraStatus invalid = VYRA_INVALID_PARAMETER;
    const VyraStatus otherModel = VYRA_INVALID_CAMERA_TYPE;

    Bench reference;
    configure(reference);
    const QByteArray good =
        SequencerXml::encode(reference.context.model, reference.sequencer.configuration());
    auto edited = [&](const char *from, const char *to) {
        QByteArray document = good;
        const int at = document.indexOf(from);
        if (at < 0)
            qFatal("test document lacks %s", from);
        return document.replace(at, int(qstrlen(from)), to);
    };

    QTest::newRow("truncated") << good.left(good.size() / 2) << invalid
                               << QStringLiteral("Premature end");
    QTest::newRow("truncated before the root ends")
        << good.left(good.lastIndexOf("</sequencerConfiguration>")) << invalid
        << QStringLiteral("Premature end");
    QTest::newRow("empty") << QByteArray() << invalid << QStringLiteral("Premature end");
    QTest::newRow("not XML") << QByteArray("[sequencer]\nsets=32\n") << invalid
                             << QStringLiteral("not well-formed");
    QTest::newRow("another XML document")
        << QByteArray("<?xml version=\"1.0\"?><html><body/></html>") << invalid
        << QStringLiteral("not a sequencer configuration");
    QTest::newRow("another camera model") << edited("model=\"VK1240C\"", "model=\"VK9999M\"")
                                          << otherModel << QStringLiteral("camera model");
    QTest::newRow("no camera model")
        << edited("model=\"VK1240C\"", "") << otherModel << QStringLiteral("camera model");
    QTest::newRow("unknown format version") << edited("version=\"1\" model", "version=\"2\" model")
                                            << invalid << QStringLiteral("format version");
    QTest::newRow("exposure out of range")
        << edited("milliseconds=\"3.25\"", "milliseconds=\"900\"") << invalid
        << QStringLiteral("<exposure> is out of");
    QTest::newRow("exposure not a number")
        << edited("milliseconds=\"3.25\"", "milliseconds=\"nan\"") << invalid
        << QStringLiteral("<exposure> needs a number");
    QTest::newRow("gain out of range") << edited("master=\"12\"", "master=\"101\"") << invalid
                                       << QStringLiteral("<gain> is out of");
    QTest::newRow("gain beyond int32") << edited("master=\"12\"", "master=\"4294967308\"")
                                       << invalid << QStringLiteral("<gain> needs an integer");
    QTest::newRow("offset out of range") << edited("<aoiOffset x=\"0\"", "<aoiOffset x=\"-1\"")
                                         << invalid << QStringLiteral("<aoiOffset> is out of");
    QTest::newRow("flash mode out of range")
        << edited("mode=\"2\"", "mode=\"5\"") << invalid << QStringLiteral("<flash> is out of");
    QTest::newRow("set index beyond the sets") << edited("<set index=\"31\">", "<set index=\"32\">")
                                               << invalid << QStringLiteral("set index 32");
    QTest::newRow("negative set index") << edited("<set index=\"31\">", "<set index=\"-1\">")
                                        << invalid << QStringLiteral("set index -1");
    QTest::newRow("more sets than the camera holds")
        << edited("sets=\"32\"", "sets=\"33\"") << invalid << QStringLiteral("33 sets");
    QTest::newRow("duplicate set") << edited("<set index=\"31\">", "<set index=\"30\">") << invalid
                                   << QStringLiteral("set 30 appears twice");
    QTest::newRow("duplicate feature")
        << edited("<feature id=\"2\" name=\"Gain\"/>", "<feature id=\"1\"/>") << invalid
        << QStringLiteral("feature 1 appears twice");
    QTest::newRow("unknown feature") << edited("<feature id=\"2\"", "<feature id=\"32\"") << invalid
                                     << QStringLiteral("unknown feature 32");
    QTest::newRow("next set beyond the sets")
        << edited("nextSet=\"2\"", "nextSet=\"40\"") << invalid << QStringLiteral("next set 40");
    QTest::newRow("trigger source not offered")
        << edited("triggerSource=\"2\"", "triggerSource=\"8\"") << invalid
        << QStringLiteral("trigger source 8");
    QTest::newRow("second path") << edited("<path index=\"0\" nextSet=\"2\"",
                                           "<path index=\"1\" nextSet=\"2\"")
                                 << invalid << QStringLiteral("path 1");
    QTest::newRow("value element twice")
        << edited("<aoiOffset", "<gain master=\"1\" red=\"1\" green=\"1\" blue=\"1\"/><aoiOffset")
        << invalid << QStringLiteral("<gain> appears twice");
    QTest::newRow("unknown element") << edited("<aoiOffset", "<whiteBalance auto=\"1\"/><aoiOffset")
                                     << invalid << QStringLiteral("<whiteBalance>");
    QTest::newRow("text in a set") << edited("<aoiOffset", "stray text<aoiOffset") << invalid
                                   << QStringLiteral("unexpected text");
    QTest::newRow("missing attribute")
        << edited("red=\"22\" ", "") << invalid << QStringLiteral("attribute red");
    QTest::newRow("junk after the document")
        << good + QByteArray("<extra/>") << invalid << QStringLiteral("Extra content");
    QTest::newRow("external entity")
        << QByteArray("<?xml version=\"1.0\"?>\n<!DOCTYPE sequencerConfiguration [\n"
                      "<!ENTITY model SYSTEM \"file:///etc/hostname\">]>\n") +
               good.mid(good.indexOf("<sequencerConfiguration"))
                   .replace("model=\"VK1240C\"", "model=\"&model;\"")
        << invalid << QStringLiteral("document type");
    QTest::newRow("entity expansion bomb")
        << QByteArray("<?xml version=\"1.0\"?>\n<!DOCTYPE sequencerConfiguration [\n"
                      "<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
                      "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">"
                      "<!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">]>\n"
                      "<sequencerConfiguration version=\"1\" model=\"&d;\" sets=\"32\"/>")
        << invalid << QStringLiteral("document type");
    QTest::newRow("document type only")
        << QByteArray("<!DOCTYPE sequencerConfiguration>\n") + good.mid(good.indexOf("<seq"))
        << invalid << QStringLiteral("document type");
    QTest::newRow("undeclared entity") << edited("model=\"VK1240C\"", "model=\"&model;\"")
                                       << invalid << QStringLiteral("not declared");

    QByteArray junk(4096, '\0');
    for (int i = 0; i < junk.size(); ++i)
        junk[i] = char((i * 7919 + 13) & 0xff);
    QTest::newRow("binary junk") << junk << invalid << QStringLiteral("not UTF-8");
    QTest::newRow("binary junk after a good start")
        << good.left(200) + junk << invalid << QStringLiteral("not UTF-8");
    QTest::newRow("another encoding declared")
        << QByteArray(good).replace("encoding=\"UTF-8\"", "encoding=\"BS_4730\"") << invalid
        << QStringLiteral("another encoding than UTF-8");
    QTest::newRow("UTF-16") << QByteArray("\xff\xfe", 2) +
                                   QByteArray(reinterpret_cast<const char *>(
                                                  QString::fromUtf8(good)
                                                      .replace(QLatin1String("UTF-8"),
                                                               QLatin1String("UTF-16"))
                                                      .utf16()),
                                              good.size() * 2 + 2)
                            << invalid << QStringLiteral("not UTF-8");

    // A well-formed, otherwise acceptable document that is simply too large.
    QByteArray large = good;
    large.insert(large.indexOf("<enabledFeatures>"),
                 QByteArray("<!--") + QByteArray(int(SequencerXml::maximumDocumentSize), 'x') +
                     QByteArray("-->"));
    QTest::newRow("very large file") << large << invalid << QStringLiteral("larger than");
}

void TestSequencerXml::badFilesAreRefusedAndChangeNothing()
{
    QFETCH(QByteArray, document);
    QFETCH(VyraStatus, status);
    QFETCH(QString, reason);

    Bench bench;
    QCOMPARE(bench.setInt(VYRA_SEQUENCER_CONFIGURATION_SET, 1), VYRA_SUCCESS);
    QCOMPARE(bench.enableFeature(VYRA_FEATURE_AOI_OFFSET_Y), VYRA_SUCCESS);
    QCOMPARE(bench.storeSet(4, distinctValues(6), 5, VYRA_SEQUENCER_TRIGGER_FRAME_END),
             VYRA_SUCCESS);
    const Bench::Snapshot before = bench.snapshot();

    const QString path = filePath(QStringLiteral("bad.xml"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(document), qint64(document.size()));
    file.close();

    QCOMPARE(bench.fileCommand(VYRA_SEQUENCER_LOAD_FILE, path), status);
    QVERIFY(bench.snapshot() == before);

    // The pure decoder agrees and gives the reason the row is about.
    SequencerXml::Camera camera;
    camera.model = bench.context.model;
    camera.setCount = 32;
    camera.triggerSourceMask = 7;
    camera.limits = &bench.limits;
    const SequencerXml::Decoded decoded = SequencerXml::decode(document, camera);
    QCOMPARE(decoded.status, status);
    QVERIFY2(decoded.error.contains(reason), qPrintable(decoded.error));
}

void TestSequencerXml::missingFileAnswersReadError()
{
    Bench bench;
    const Bench::Snapshot before = bench.snapshot();
    QCOMPARE(bench.fileCommand(VYRA_SEQUENCER_LOAD_FILE, filePath(QStringLiteral("none.xml"))),
             VYRA_FILE_READ_OPEN_ERROR);
    QCOMPARE(bench.fileCommand(VYRA_SEQUENCER_LOAD_FILE, dir_->path()), VYRA_FILE_READ_OPEN_ERROR);
    QVERIFY(bench.snapshot() == before);
}

void TestSequencerXml::absentSetsAndValuesTakeThePowerOnState()
{
    Bench bench;
    configure(bench);
    QByteArray document = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<!-- written by hand -->\n"
                          "<sequencerConfiguration version=\"1\" model=\"VK1240C\" "
                          "sets=\"4\" comment=\"ignored\">\n"
                          "  <set index=\"2\">\n"
                          "    <gain master=\"7\" red=\"8\" green=\"9\" blue=\"10\"/>\n"
                          "    <path index=\"0\" nextSet=\"3\" triggerSource=\"4\"/>\n"
                          "  </set>\n"
                          "</sequencerConfiguration>\n";
    const QString path = filePath(QStringLiteral("short.xml"));
    // Editors may put a byte order mark before UTF-8 text.
    document.prepend("\xef\xbb\xbf");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(document) == document.size());
    file.close();
    QCOMPARE(bench.fileCommand(VYRA_SEQUENCER_LOAD_FILE, path), VYRA_SUCCESS);

    const auto &configuration = bench.sequencer.configuration();
    QCOMPARE(configuration.enabledFeatures, 0u);
    QCOMPARE(configuration.sets.size(), size_t(32));
    for (int set = 0; set < 32; ++set) {
        if (set == 2)
            continue;
        QVERIFY(configuration.sets[size_t(set)].values == Bench::defaults());
        QCOMPARE(configuration.sets[size_t(set)].nextSet, 0);
        QCOMPARE(configuration.sets[size_t(set)].triggerSource, VYRA_SEQUENCER_TRIGGER_OFF);
    }
    VyraSim::SequencerValues expected = Bench::defaults();
    expected.masterGain = 7;
    expected.redGain = 8;
    expected.greenGain = 9;
    expected.blueGain = 10;
    QVERIFY(configuration.sets[2].values == expected);
    QCOMPARE(configuration.sets[2].nextSet, 3);
    QCOMPARE(configuration.sets[2].triggerSource, VYRA_SEQUENCER_TRIGGER_EXPOSURE_END);
}

void TestSequencerXml::failedSaveKeepsTheExistingFile()
{
    Bench bench;
    configure(bench);
    // The temporary file beside a name of 250 bytes gets a longer name than
    // the file system allows, so the save fails after the target was found.
    const QString path = filePath(QString(250, QLatin1Char('s')));
    QFile existing(path);
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.write("precious");
    existing.close();

    QCOMPARE(bench.fileCommand(VYRA_SEQUENCER_SAVE_FILE, path), VYRA_FILE_WRITE_OPEN_ERROR);
    QVERIFY(existing.open(QIODevice::ReadOnly));
    QCOMPARE(existing.readAll(), QByteArray("precious"));
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files).size(), 1);
}

void TestSequencerXml::saveIntoMissingDirectoryFails()
{
    Bench bench;
    QCOMPARE(bench.fileCommand(VYRA_SEQUENCER_SAVE_FILE,
                               filePath(QStringLiteral("missing/sequence.xml"))),
             VYRA_FILE_WRITE_OPEN_ERROR);
    QCOMPARE(bench.fileCommand(VYRA_SEQUENCER_SAVE_FILE, dir_->path()), VYRA_FILE_WRITE_OPEN_ERROR);
    QVERIFY(!QFileInfo::exists(filePath(QStringLiteral("missing"))));
}

QTEST_GUILESS_MAIN(TestSequencerXml)
#include "tst_sequencerxml.moc"
