// The "High dynamic range" view of a running bracket in the window: offered,
// with Record's fused image and radiance of each cycle, only for a run whose
// cycle takes two or more exposures, and a cycle whose sets differ in AOI
// offset refused with its reason; the radiance through the tone map's
// exposure, read out under the mouse and saved with Save Radiance Image.

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "fittedpicture.h"
#include "hdrdock.h"
#include "imagesizedialog.h"
#include "mainwindow.h"
#include "pixelreadout.h"
#include "recorddialog.h"
#include "settingsdialogsupport.h"
#include "vyrabuildoptions.h"
#include "windowdriver.h"

using VyraSim::Control;
using namespace WindowTest;

namespace {

// Merges, tone maps and float files are made off the GUI thread; a
// sanitizer build takes many times as long as a plain one.
constexpr int mergeTimeoutMs = 30000;

double meanGrey(const QImage &image)
{
    double sum = 0.0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            sum += qGray(image.pixel(x, y));
    }
    return sum / (double(image.width()) * image.height());
}

} // namespace

class TestHdrView : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void offeredPerRun_data();
    void offeredPerRun();
    void radianceThroughTheExposure_data();
    void radianceThroughTheExposure();

private:
    /// Sets of these exposures (none: plain live video) at these horizontal
    /// AOI offsets (none: the feature is left alone), run one image at a
    /// time through one cycle.
    void runOneCycle(const QList<double> &exposures, const QList<int> &offsets);
    HdrDock *dock() const { return window->findChild<HdrDock *>(); }

    std::unique_ptr<ModalAnswerer> answerer;
    std::unique_ptr<MainWindow> window;
};

void TestHdrView::init()
{
    hideSizeHintWarnings();
    Control::resetToDefaults();
    QVERIFY(Control::setCameras({cameraSpec(1, "VK1240C")}));
    QSettings(QStringLiteral("Quellmark"), QStringLiteral("Vyra Sequencer")).clear();
    answerer = std::make_unique<ModalAnswerer>();
    chooseCamera(*answerer, 1);
    window = std::make_unique<MainWindow>();
    window->resize(1200, 900);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void TestHdrView::cleanup()
{
    window.reset();
    answerer.reset();
}

void TestHdrView::runOneCycle(const QList<double> &exposures, const QList<int> &offsets)
{
    if (exposures.isEmpty())
        return;
    if (!offsets.isEmpty()) {
        // Room for the offsets: half the sensor's width.
        answerer->answer([](QWidget *widget) {
            SettingsDialogTest::typeInto(
                SettingsDialogTest::child<QSpinBox>(widget, QStringLiteral("aoi_width")), "320");
            widget->close();
        });
        action(window.get(), "action_imagesize")->trigger();
        QTRY_COMPARE(answerer->pendingAnswers(), 0);
        QTRY_COMPARE(Control::openCameraState(Control::openHandles().front())->aoi.width, 320);
        setFeature(window.get(), QStringLiteral("AOI Offset X"), true);
    }
    setFeature(window.get(), QStringLiteral("Exposure"), true);
    for (int i = 0; i < exposures.size(); ++i)
        action(window.get(), "action_addsequence")->trigger();
    for (SequencerSet *set : setsOf(window.get())) {
        exposureBox(set)->setValue(exposures.at(set->index()));
        if (!offsets.isEmpty())
            qobject_cast<QSpinBox *>(set->properties().first()->rows().first().second)
                ->setValue(offsets.at(set->index()));
    }
    action(window.get(), "action_run")->setChecked(true);
    action(window.get(), "action_capture")->trigger();
    for (int set = 0; set < exposures.size(); ++set) {
        action(window.get(), "actionAction_SingleForceTrigger")->trigger();
        QTRY_COMPARE(highlighted(window.get()), set);
    }
}

void TestHdrView::offeredPerRun_data()
{
    QTest::addColumn<QList<double>>("exposures");
    QTest::addColumn<QList<int>>("offsets");
    QTest::addColumn<bool>("offered");
    // Empty when a cycle is merged; else what the dock and Record say.
    QTest::addColumn<QString>("whyNotMerged");
    QList<double> many;
    for (int set = 1; set <= 32; ++set)
        many << set;
    QTest::newRow("live video") << QList<double>() << QList<int>() << false << "live video";
    QTest::newRow("three sets at one exposure")
        << QList<double>({10, 10, 10}) << QList<int>() << false << "same exposure";
    QTest::newRow("two exposures") << QList<double>({5, 15}) << QList<int>() << true << "";
    QTest::newRow("two exposures at two AOI offsets")
        << QList<double>({5, 15}) << QList<int>({0, 64}) << true << "AOI offset";
    QTest::newRow("32 exposures") << many << QList<int>() << true << "";
}

void TestHdrView::offeredPerRun()
{
    QFETCH(QList<double>, exposures);
    QFETCH(QList<int>, offsets);
    QFETCH(bool, offered);
    QFETCH(QString, whyNotMerged);
    runOneCycle(exposures, offsets);

    QCOMPARE(action(window.get(), "action_hdr")->isEnabled(), offered);
    QCOMPARE(dock()->isVisible(), offered);
    if (offered) {
        auto *caption = dock()->findChild<QLabel *>(QStringLiteral("hdrCaption"));
        if (whyNotMerged.isEmpty()) {
            QTRY_COMPARE_WITH_TIMEOUT(dock()->shownCount(), quint64(1), mergeTimeoutMs);
            QVERIFY(!dock()->picture().isNull());
        } else {
            QTRY_VERIFY2_WITH_TIMEOUT(caption->text().contains(whyNotMerged), qPrintable(caption->text()),
                                      mergeTimeoutMs);
            QVERIFY(dock()->picture().isNull());
        }
        // One or two lines, however many sets.
        const QFontMetrics metrics(caption->font());
        QVERIFY2(metrics.boundingRect(caption->contentsRect(), Qt::TextWordWrap, caption->text())
                         .height() < 3 * metrics.lineSpacing(),
                 qPrintable(caption->text()));
    }
    QCOMPARE(action(window.get(), "action_saveRadiance")->isEnabled(), whyNotMerged.isEmpty());

    // Record offers a cycle's fused image and radiance where they are made.
    QStringList options;
    answerer->answer([&options, whyNotMerged](QWidget *widget) {
        for (const char *name : {"cb_fuse", "cb_radiance"}) {
            auto *option = widget->findChild<QCheckBox *>(QString::fromLatin1(name));
            // Its tooltip says what it writes, or why it cannot.
            if (option->isVisibleTo(widget))
                options << QStringLiteral("%1 %2 %3")
                               .arg(name)
                               .arg(option->isEnabled())
                               .arg(option->toolTip().contains(whyNotMerged));
        }
        widget->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel)->click();
    });
    action(window.get(), "action_record")->trigger();
    QTRY_COMPARE(answerer->pendingAnswers(), 0);
    QCOMPARE(options.size(), 1 + VYRA_EXPOSURE_FUSION);
    for (const QString &option : options)
        QCOMPARE(option.section(QLatin1Char(' '), 1), whyNotMerged.isEmpty() ? "1 1" : "0 1");
}

void TestHdrView::radianceThroughTheExposure_data()
{
    QTest::addColumn<int>("toneMap");
    QTest::newRow("Reinhard") << int(ToneMapper::Operator::Reinhard);
    QTest::newRow("logarithmic") << int(ToneMapper::Operator::Logarithmic);
}

void TestHdrView::radianceThroughTheExposure()
{
    QFETCH(int, toneMap);
    runOneCycle({2, 20, 150}, {});
    dock()->setView(HdrDock::View::Radiance);
    dock()->setToneMap(ToneMapper::Operator(toneMap));
    QTRY_VERIFY_WITH_TIMEOUT(!dock()->isBusy() && !dock()->radiance().isNull(), mergeTimeoutMs);

    // More stops lift the picture, fewer lower it.
    QList<double> brightness;
    for (double stops : {-3.0, 0.0, 3.0}) {
        dock()->setExposureStops(stops);
        QTRY_VERIFY_WITH_TIMEOUT(!dock()->isBusy(), mergeTimeoutMs);
        brightness << meanGrey(dock()->picture());
    }
    QVERIFY2(brightness.at(0) < brightness.at(1) && brightness.at(1) < brightness.at(2),
             qPrintable(QStringLiteral("%1 %2 %3")
                            .arg(brightness.at(0))
                            .arg(brightness.at(1))
                            .arg(brightness.at(2))));

    // The read-out tells the light under the mouse, on the sensor.
    auto *picture = dock()->findChild<FittedPicture *>();
    const QPoint at = picture->rect().center();
    QMouseEvent move(QEvent::MouseMove, at, picture->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(picture, &move);
    const QPoint pixel = *picture->sourcePixelAt(at);
    auto *readout = window->findChild<PixelReadout *>();
    QTRY_VERIFY(readout->isVisible());
    const std::array<float, 3> light = dock()->radiance().pixel(pixel.x(), pixel.y());
    QCOMPARE(readout->text(),
             PixelReadout::describeRadiance(pixel, light,
                                            dock()->radiance().mark(pixel.x(), pixel.y()), false));
    QVERIFY(PixelReadout::describeRadiance(pixel, light, 0, true)
                .endsWith(QStringLiteral("response assumed linear")));

    // Save Radiance Image writes the latest cycle's at full size.
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("radiance.tiff"));
    answerer->typeInNextFileDialog(path);
    action(window.get(), "action_saveRadiance")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(path).size() > qint64(640) * 480 * 3 * 4, mergeTimeoutMs);
    QVERIFY(answerer->messages.isEmpty());
}

QTEST_MAIN(TestHdrView)
#include "tst_hdrview.moc"
