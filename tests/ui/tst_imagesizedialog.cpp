// The image size dialog on a simulated camera: profiles, AOI size, binning
// and subsampling, the keys it leaves alone, and the images that follow.

#include <QComboBox>
#include <QSpinBox>
#include <QtTest>

#include "imagesizedialog.h"
#include "settingsdialogsupport.h"

using namespace SettingsDialogTest;
using VyraSim::Control;

namespace {

constexpr int coarseCamera = 9; // 1280 x 1024, AOI steps of 16 x 4, every factor

QComboBox *box(QWidget *dialog, const QString &name)
{
    return child<QComboBox>(dialog, name);
}

QSpinBox *sizeBox(QWidget *dialog, const QString &name)
{
    return child<QSpinBox>(dialog, name);
}

QSize aoiSize(const QSharedPointer<VyraCamera> &camera)
{
    const VyraRect aoi = stateOf(camera).aoi;
    return QSize(aoi.width, aoi.height);
}

QSize shownSize(QWidget *dialog)
{
    return QSize(sizeBox(dialog, "aoi_width")->value(), sizeBox(dialog, "aoi_height")->value());
}

/// The items of a box as "text=data".
QStringList items(QComboBox *combo)
{
    QStringList texts;
    for (int index = 0; index < combo->count(); ++index)
        texts << combo->itemText(index) + '=' + combo->itemData(index).toString();
    return texts;
}

void setAoiBehindTheDialog(const QSharedPointer<VyraCamera> &camera, const QRect &aoi)
{
    VyraRect area{aoi.x(), aoi.y(), aoi.width(), aoi.height()};
    QCOMPARE(aoiControl(camera->handle(), VYRA_AOI_SET, &area, sizeof area), VYRA_SUCCESS);
}

} // namespace

class TestImageSizeDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void showsTheCamerasGeometry_data();
    void showsTheCamerasGeometry();
    void factorBoxesListTheModesInFactorOrder_data();
    void factorBoxesListTheModesInFactorOrder();
    void profileNamesTheAoiSize_data();
    void profileNamesTheAoiSize();
    void chosenProfileStaysSelected_data();
    void chosenProfileStaysSelected();
    void sizeIsLoweredToItsIncrement_data();
    void sizeIsLoweredToItsIncrement();
    void refusedChangesShowWhatTheCameraHolds_data();
    void refusedChangesShowWhatTheCameraHolds();
    void oneFactorDirectionLeavesTheOther_data();
    void oneFactorDirectionLeavesTheOther();
    void returnAndEscapeLeaveTheDialogOpen();
    void liveImageFollowsTheGeometry_data();
    void liveImageFollowsTheGeometry();
};

void TestImageSizeDialog::init()
{
    Control::resetToDefaults();
    std::vector<VyraSim::CameraSpec> cameras = VyraSim::defaultCameras();
    VyraSim::CameraSpec coarse;
    coarse.deviceId = coarseCamera;
    coarse.aoiWidthIncrement = 16;
    coarse.aoiHeightIncrement = 4;
    coarse.binningModes = VYRA_FACTOR_ALL_HORIZONTAL | VYRA_FACTOR_ALL_VERTICAL;
    coarse.subsamplingModes = VYRA_FACTOR_ALL_HORIZONTAL | VYRA_FACTOR_ALL_VERTICAL;
    coarse.imageFormats = {{1, "", 0, 0, 640, 480, 0, 0},
                           {2, "640x480 VGA", 320, 272, 640, 480, 0, 0}};
    cameras.push_back(coarse);
    QVERIFY(Control::setCameras(cameras));
}

void TestImageSizeDialog::showsTheCamerasGeometry_data()
{
    QTest::addColumn<int>("deviceId");
    QTest::addColumn<QStringList>("profiles");
    QTest::addColumn<QList<int>>(
        "sizeLimits"); // width, minimum, maximum, step; the same for height
    QTest::newRow("six formats") << smallCamera
                                 << QStringList({"Custom=0", "1280x1024 SXGA=1", "1024x768 XGA=2",
                                                 "800x600 SVGA=3", "640x480 VGA=4",
                                                 "640x512 Binning 2x=5",
                                                 "320x256 Subsampling 4x=6"})
                                 << QList<int>({1280, 32, 1280, 8, 1024, 16, 1024, 2});
    QTest::newRow("a format without caption")
        << coarseCamera << QStringList({"Custom=0", "640x480 VGA=2"})
        << QList<int>({1280, 32, 1280, 16, 1024, 16, 1024, 4});
}

void TestImageSizeDialog::showsTheCamerasGeometry()
{
    QFETCH(int, deviceId);
    QFETCH(QStringList, profiles);
    QFETCH(QList<int>, sizeLimits);
    ImageSizeDialog dialog(openCamera(deviceId));
    QCOMPARE(items(box(&dialog, "profile")), profiles);
    QList<int> shown;
    for (QSpinBox *size : {sizeBox(&dialog, "aoi_width"), sizeBox(&dialog, "aoi_height")}) {
        shown << size->value() << size->minimum() << size->maximum() << size->singleStep();
        QVERIFY(!size->keyboardTracking());
    }
    QCOMPARE(shown, sizeLimits);
    QCOMPARE(box(&dialog, "binning_vertical")->currentText(), QStringLiteral("1x"));
}

void TestImageSizeDialog::factorBoxesListTheModesInFactorOrder_data()
{
    QTest::addColumn<int>("deviceId");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("factors");
    QTest::newRow("binning 2x, 3x and 4x, horizontal")
        << largeCamera << "binning_horizontal" << QStringList({"1x=0", "2x=2", "3x=32", "4x=8"});
    QTest::newRow("binning 2x, 3x and 4x, vertical")
        << largeCamera << "binning_vertical" << QStringList({"1x=0", "2x=1", "3x=16", "4x=4"});
    QTest::newRow("every binning factor, horizontal")
        << coarseCamera << "binning_horizontal"
        << QStringList(
               {"1x=0", "2x=2", "3x=32", "4x=8", "5x=128", "6x=512", "8x=2048", "16x=8192"});
    QTest::newRow("every subsampling factor, vertical")
        << coarseCamera << "subsampling_vertical"
        << QStringList({"1x=0", "2x=1", "3x=16", "4x=4", "5x=64", "6x=256", "8x=1024", "16x=4096"});
    QTest::newRow("subsampling 2x and 4x")
        << smallCamera << "subsampling_horizontal" << QStringList({"1x=0", "2x=2", "4x=8"});
    QTest::newRow("binning 2x") << smallCamera << "binning_vertical"
                                << QStringList({"1x=0", "2x=1"});
}

void TestImageSizeDialog::factorBoxesListTheModesInFactorOrder()
{
    QFETCH(int, deviceId);
    QFETCH(QString, name);
    QFETCH(QStringList, factors);
    ImageSizeDialog dialog(openCamera(deviceId));
    QCOMPARE(items(box(&dialog, name)), factors);
}

void TestImageSizeDialog::profileNamesTheAoiSize_data()
{
    QTest::addColumn<int>("deviceId");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("profile");
    QTest::newRow("full sensor") << smallCamera << QSize(1280, 1024) << "1280x1024 SXGA";
    QTest::newRow("VGA") << smallCamera << QSize(640, 480) << "640x480 VGA";
    QTest::newRow("no caption names it") << smallCamera << QSize(1000, 1000) << "Custom";
    // 128 is part of 1280, but not the same number.
    QTest::newRow("a part of a number") << smallCamera << QSize(128, 1024) << "Custom";
    QTest::newRow("two captions: the last")
        << largeCamera << QSize(640, 404) << "640x404 Binning 3x";
}

void TestImageSizeDialog::profileNamesTheAoiSize()
{
    QFETCH(int, deviceId);
    QFETCH(QSize, size);
    QFETCH(QString, profile);
    const auto camera = openCamera(deviceId);
    setAoiBehindTheDialog(camera, QRect(QPoint(0, 0), size));
    ImageSizeDialog dialog(camera);
    QCOMPARE(box(&dialog, "profile")->currentText(), profile);
}

void TestImageSizeDialog::chosenProfileStaysSelected_data()
{
    QTest::addColumn<int>("deviceId");
    QTest::addColumn<QString>("profile");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("factors"); // binning and subsampling, both directions alike
    QTest::newRow("subsampled, though a later caption names the size too")
        << largeCamera << "640x404 Subsampling 3x" << QSize(640, 404) << "1x 3x";
    QTest::newRow("binned") << smallCamera << "640x512 Binning 2x" << QSize(640, 512) << "2x 1x";
    QTest::newRow("Custom names no format")
        << smallCamera << "Custom" << QSize(1280, 1024) << "1x 1x";
}

void TestImageSizeDialog::chosenProfileStaysSelected()
{
    QFETCH(int, deviceId);
    QFETCH(QString, profile);
    QFETCH(QSize, size);
    QFETCH(QString, factors);
    const auto camera = openCamera(deviceId);
    ImageSizeDialog dialog(camera);
    choose(box(&dialog, "profile"), profile);

    QCOMPARE(box(&dialog, "profile")->currentText(), profile);
    QCOMPARE(aoiSize(camera), size);
    QCOMPARE(shownSize(&dialog), size);
    QStringList shown;
    for (const char *name : {"binning_horizontal", "binning_vertical", "subsampling_horizontal",
                             "subsampling_vertical"})
        shown << box(&dialog, name)->currentText();
    const QStringList factor = factors.split(' ');
    QCOMPARE(shown, QStringList({factor[0], factor[0], factor[1], factor[1]}));
}

void TestImageSizeDialog::sizeIsLoweredToItsIncrement_data()
{
    QTest::addColumn<int>("deviceId");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("typed");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("profile");
    QTest::newRow("width 1000 in steps of 16")
        << coarseCamera << "aoi_width" << 1000 << QSize(992, 1024) << "Custom";
    QTest::newRow("height 1022 in steps of 4")
        << coarseCamera << "aoi_height" << 1022 << QSize(1280, 1020) << "Custom";
    QTest::newRow("height to a profile's size")
        << smallCamera << "aoi_height" << 1024 << QSize(1280, 1024) << "1280x1024 SXGA";
}

void TestImageSizeDialog::sizeIsLoweredToItsIncrement()
{
    QFETCH(int, deviceId);
    QFETCH(QString, name);
    QFETCH(int, typed);
    QFETCH(QSize, size);
    QFETCH(QString, profile);
    const auto camera = openCamera(deviceId);
    ImageSizeDialog dialog(camera);
    sizeBox(&dialog, name)->setValue(typed);
    QCOMPARE(aoiSize(camera), size);
    QCOMPARE(shownSize(&dialog), size);
    QCOMPARE(box(&dialog, "profile")->currentText(), profile);
}

void TestImageSizeDialog::refusedChangesShowWhatTheCameraHolds_data()
{
    QTest::addColumn<QString>("refusal");
    QTest::newRow("AOI past the sensor's edge") << "edge";
    QTest::newRow("AOI refused by the driver") << "aoi";
    QTest::newRow("binning refused by the driver") << "binning";
}

void TestImageSizeDialog::refusedChangesShowWhatTheCameraHolds()
{
    QFETCH(QString, refusal);
    const auto camera = openCamera(smallCamera);
    // The VGA format's AOI lies in the middle of the sensor.
    setAoiBehindTheDialog(camera, QRect(320, 272, 640, 480));
    ImageSizeDialog dialog(camera);
    if (refusal == QLatin1String("binning")) {
        QVERIFY(Control::injectFailure("binningMode", VYRA_INVALID_PARAMETER, 1,
                                       VYRA_FACTOR_2X_HORIZONTAL));
        choose(box(&dialog, "binning_horizontal"), QStringLiteral("2x"));
    } else {
        if (refusal == QLatin1String("aoi"))
            QVERIFY(Control::injectFailure("aoiControl", VYRA_INVALID_PARAMETER, 1, VYRA_AOI_SET));
        sizeBox(&dialog, "aoi_width")->setValue(refusal == QLatin1String("edge") ? 1280 : 800);
    }
    QCOMPARE(Control::pendingFailures(), 0);
    QCOMPARE(stateOf(camera).aoi.width, 640);
    QCOMPARE(stateOf(camera).binning, 0);
    QCOMPARE(sizeBox(&dialog, "aoi_width")->value(), 640);
    QCOMPARE(box(&dialog, "binning_horizontal")->currentText(), QStringLiteral("1x"));
    QCOMPARE(box(&dialog, "profile")->currentText(), QStringLiteral("640x480 VGA"));
}

void TestImageSizeDialog::oneFactorDirectionLeavesTheOther_data()
{
    QTest::addColumn<bool>("horizontal");
    QTest::addColumn<QString>("factor");
    QTest::addColumn<int>("bits");
    QTest::newRow("horizontal") << true << "3x"
                                << (VYRA_FACTOR_3X_HORIZONTAL | VYRA_FACTOR_4X_VERTICAL);
    QTest::newRow("vertical") << false << "2x"
                              << (VYRA_FACTOR_4X_HORIZONTAL | VYRA_FACTOR_2X_VERTICAL);
    QTest::newRow("vertical back to 1x") << false << "1x" << VYRA_FACTOR_4X_HORIZONTAL;
}

void TestImageSizeDialog::oneFactorDirectionLeavesTheOther()
{
    QFETCH(bool, horizontal);
    QFETCH(QString, factor);
    QFETCH(int, bits);
    const auto camera = openCamera(largeCamera);
    camera->setHorizontalBinning(VYRA_FACTOR_4X_HORIZONTAL);
    camera->setVerticalBinning(VYRA_FACTOR_4X_VERTICAL);
    ImageSizeDialog dialog(camera);
    QComboBox *changed = box(&dialog, horizontal ? "binning_horizontal" : "binning_vertical");
    QComboBox *kept = box(&dialog, horizontal ? "binning_vertical" : "binning_horizontal");
    choose(changed, factor);

    QCOMPARE(stateOf(camera).binning, bits);
    QCOMPARE(changed->currentText(), factor);
    QCOMPARE(kept->currentText(), QStringLiteral("4x"));
    // The AOI covers the same part of the sensor, and its limits follow.
    QCOMPARE(sizeBox(&dialog, "aoi_width")->maximum(), stateOf(camera).aoi.width);
    QCOMPARE(sizeBox(&dialog, "aoi_height")->value(), stateOf(camera).aoi.height);
}

void TestImageSizeDialog::returnAndEscapeLeaveTheDialogOpen()
{
    const auto camera = openCamera(smallCamera);
    ImageSizeDialog dialog(camera);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QSpinBox *width = sizeBox(&dialog, "aoi_width");
    typeInto(width, QStringLiteral("640"), false);
    // Without tracking, typing alone changes nothing.
    QCOMPARE(stateOf(camera).aoi.width, 1280);
    QTest::keyClick(width, Qt::Key_Return);
    QCOMPARE(stateOf(camera).aoi.width, 640);
    QVERIFY(dialog.isVisible());
    QTest::keyClick(width, Qt::Key_Escape);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(dialog.isVisible());
}

void TestImageSizeDialog::liveImageFollowsTheGeometry_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QSize>("imageSize");
    QTest::newRow("width") << "aoi_width"
                           << "640" << QSize(640, 1024);
    QTest::newRow("height") << "aoi_height"
                            << "480" << QSize(1280, 480);
    QTest::newRow("horizontal binning") << "binning_horizontal"
                                        << "2x" << QSize(640, 1024);
    QTest::newRow("vertical subsampling") << "subsampling_vertical"
                                          << "4x" << QSize(1280, 256);
    QTest::newRow("profile") << "profile"
                             << "800x600 SVGA" << QSize(800, 600);
}

void TestImageSizeDialog::liveImageFollowsTheGeometry()
{
    QFETCH(QString, change);
    QFETCH(QString, value);
    QFETCH(QSize, imageSize);
    const auto camera = openCamera(smallCamera);
    QSize latest;
    // Images come on the capture thread and are looked at on this one; the
    // receiver takes its queued calls with it when the test ends.
    QObject receiver;
    connect(camera.data(), &VyraCamera::imageCaptured, &receiver,
            [&latest](QSharedPointer<QImage> image) { latest = image->size(); });
    camera->enableLiveVideo(true);
    QTRY_COMPARE_WITH_TIMEOUT(latest, QSize(1280, 1024), 10000);

    ImageSizeDialog dialog(camera);
    if (auto *combo = dialog.findChild<QComboBox *>(change))
        choose(combo, value);
    else
        sizeBox(&dialog, change)->setValue(value.toInt());
    QTRY_COMPARE_WITH_TIMEOUT(latest, imageSize, 10000);
}

QTEST_MAIN(TestImageSizeDialog)
#include "tst_imagesizedialog.moc"
