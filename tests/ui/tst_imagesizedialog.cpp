// The image size dialog on a simulated camera: profiles, AOI size, binning
// and subsampling, the keys it leaves alone, and the images that follow.

#include <QComboBox>
#include <QGroupBox>
#include <QSpinBox>
#include <QtTest>

#include "imagesizedialog.h"
#include "settingsdialogsupport.h"
#include "stylesheet.h"

using namespace SettingsDialogTest;
using VyraSim::Control;

namespace {

constexpr int coarseCamera = 9; // a 1280 x 1024 sensor with AOI steps of 16 x 4

QComboBox *box(QWidget *dialog, const char *name)
{
    return dialog->findChild<QComboBox *>(QString::fromLatin1(name));
}

QSpinBox *sizeBox(QWidget *dialog, const char *name)
{
    return dialog->findChild<QSpinBox *>(QString::fromLatin1(name));
}

QStringList itemTexts(QComboBox *combo)
{
    QStringList texts;
    for (int index = 0; index < combo->count(); ++index)
        texts << combo->itemText(index);
    return texts;
}

QList<int> itemModes(QComboBox *combo)
{
    QList<int> modes;
    for (int index = 0; index < combo->count(); ++index)
        modes << combo->itemData(index).toInt();
    return modes;
}

/// Picks an item as the combo box's list does: it becomes current and is activated.
void choose(QComboBox *combo, const QString &text)
{
    const int index = combo->findText(text);
    QVERIFY2(index >= 0, qPrintable(text));
    combo->setCurrentIndex(index);
    emit combo->activated(index);
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

    void showsTheCamerasGeometry();
    void factorBoxesListTheModesInBitOrder_data();
    void factorBoxesListTheModesInBitOrder();
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
    cameras.push_back(coarse);
    QVERIFY(Control::setCameras(cameras));
}

void TestImageSizeDialog::showsTheCamerasGeometry()
{
    ImageSizeDialog dialog(openCamera(smallCamera));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Image Size Dialog"));
    QCOMPARE(dialog.size(), QSize(414, 293));
    QCOMPARE(dialog.minimumSize(), QSize(314, 273));
    QCOMPARE(dialog.maximumHeight(), 400);
    QCOMPARE(dialog.styleSheet(), loadStyleSheet(QStringLiteral("base.qss")));

    QCOMPARE(itemTexts(box(&dialog, "profile")),
             QStringList({"Custom", "1280x1024 SXGA", "1024x768 XGA", "800x600 SVGA", "640x480 VGA",
                          "640x512 Binning 2x", "320x256 Subsampling 4x"}));
    QCOMPARE(itemModes(box(&dialog, "profile")), QList<int>({0, 1, 2, 3, 4, 5, 6}));
    QCOMPARE(box(&dialog, "profile")->currentText(), QStringLiteral("1280x1024 SXGA"));

    QSpinBox *width = sizeBox(&dialog, "aoi_width");
    QSpinBox *height = sizeBox(&dialog, "aoi_height");
    QCOMPARE(QList<int>({width->value(), width->minimum(), width->maximum(), width->singleStep()}),
             QList<int>({1280, 32, 1280, 8}));
    QCOMPARE(
        QList<int>({height->value(), height->minimum(), height->maximum(), height->singleStep()}),
        QList<int>({1024, 16, 1024, 2}));
    QVERIFY(!width->keyboardTracking() && !height->keyboardTracking());
    QCOMPARE(width->suffix(), QStringLiteral(" px"));
    for (const char *name : {"binning_horizontal", "binning_vertical", "subsampling_horizontal",
                             "subsampling_vertical"}) {
        QCOMPARE(box(&dialog, name)->currentText(), QStringLiteral("1x"));
        QCOMPARE(box(&dialog, name)->maximumWidth(), 45);
    }
}

void TestImageSizeDialog::factorBoxesListTheModesInBitOrder_data()
{
    QTest::addColumn<int>("deviceId");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QList<int>>("modes");
    QTest::newRow("binning 2x, 3x and 4x, horizontal")
        << largeCamera << "binning_horizontal" << QStringList({"1x", "2x", "4x", "3x"})
        << QList<int>({0, 0x2, 0x8, 0x20});
    QTest::newRow("binning 2x, 3x and 4x, vertical")
        << largeCamera << "binning_vertical" << QStringList({"1x", "2x", "4x", "3x"})
        << QList<int>({0, 0x1, 0x4, 0x10});
    QTest::newRow("subsampling 2x and 4x")
        << smallCamera << "subsampling_horizontal" << QStringList({"1x", "2x", "4x"})
        << QList<int>({0, 0x2, 0x8});
    QTest::newRow("binning 2x") << smallCamera << "binning_vertical" << QStringList({"1x", "2x"})
                                << QList<int>({0, 0x1});
}

void TestImageSizeDialog::factorBoxesListTheModesInBitOrder()
{
    QFETCH(int, deviceId);
    QFETCH(QString, name);
    QFETCH(QStringList, texts);
    QFETCH(QList<int>, modes);
    ImageSizeDialog dialog(openCamera(deviceId));
    QComboBox *combo = box(&dialog, qPrintable(name));
    QCOMPARE(itemTexts(combo), texts);
    QCOMPARE(itemModes(combo), modes);
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
    QTest::addColumn<QString>("binning");
    QTest::addColumn<QString>("subsampling");
    QTest::newRow("subsampled, though a later caption names the size too")
        << largeCamera << "640x404 Subsampling 3x" << QSize(640, 404) << "1x"
        << "3x";
    QTest::newRow("binned") << smallCamera << "640x512 Binning 2x" << QSize(640, 512) << "2x"
                            << "1x";
    QTest::newRow("Custom names no format") << smallCamera << "Custom" << QSize(1280, 1024) << "1x"
                                            << "1x";
}

void TestImageSizeDialog::chosenProfileStaysSelected()
{
    QFETCH(int, deviceId);
    QFETCH(QString, profile);
    QFETCH(QSize, size);
    QFETCH(QString, binning);
    QFETCH(QString, subsampling);
    const auto camera = openCamera(deviceId);
    ImageSizeDialog dialog(camera);
    choose(box(&dialog, "profile"), profile);

    QCOMPARE(box(&dialog, "profile")->currentText(), profile);
    QCOMPARE(QSize(stateOf(camera).aoi.width, stateOf(camera).aoi.height), size);
    QCOMPARE(QSize(sizeBox(&dialog, "aoi_width")->value(), sizeBox(&dialog, "aoi_height")->value()),
             size);
    QCOMPARE(box(&dialog, "binning_horizontal")->currentText(), binning);
    QCOMPARE(box(&dialog, "binning_vertical")->currentText(), binning);
    QCOMPARE(box(&dialog, "subsampling_vertical")->currentText(), subsampling);
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
    QTest::newRow("width 1000 in steps of 8")
        << smallCamera << "aoi_width" << 1000 << QSize(1000, 1024) << "Custom";
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
    sizeBox(&dialog, qPrintable(name))->setValue(typed);

    QCOMPARE(QSize(stateOf(camera).aoi.width, stateOf(camera).aoi.height), size);
    QCOMPARE(QSize(sizeBox(&dialog, "aoi_width")->value(), sizeBox(&dialog, "aoi_height")->value()),
             size);
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
    QTest::addColumn<QString>("changed");
    QTest::addColumn<QString>("kept");
    QTest::addColumn<QString>("factor");
    QTest::addColumn<int>("bits");
    QTest::newRow("binning, horizontal")
        << "binning_horizontal"
        << "binning_vertical"
        << "3x" << (VYRA_FACTOR_3X_HORIZONTAL | VYRA_FACTOR_4X_VERTICAL);
    QTest::newRow("binning, vertical")
        << "binning_vertical"
        << "binning_horizontal"
        << "2x" << (VYRA_FACTOR_4X_HORIZONTAL | VYRA_FACTOR_2X_VERTICAL);
    QTest::newRow("binning, vertical back to 1x") << "binning_vertical"
                                                  << "binning_horizontal"
                                                  << "1x" << VYRA_FACTOR_4X_HORIZONTAL;
}

void TestImageSizeDialog::oneFactorDirectionLeavesTheOther()
{
    QFETCH(QString, changed);
    QFETCH(QString, kept);
    QFETCH(QString, factor);
    QFETCH(int, bits);
    const auto camera = openCamera(largeCamera);
    camera->setHorizontalBinning(VYRA_FACTOR_4X_HORIZONTAL);
    camera->setVerticalBinning(VYRA_FACTOR_4X_VERTICAL);
    ImageSizeDialog dialog(camera);
    choose(box(&dialog, qPrintable(changed)), factor);

    QCOMPARE(stateOf(camera).binning, bits);
    QCOMPARE(box(&dialog, qPrintable(changed))->currentText(), factor);
    QCOMPARE(box(&dialog, qPrintable(kept))->currentText(), QStringLiteral("4x"));
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
    if (auto *combo = box(&dialog, qPrintable(change)))
        choose(combo, value);
    else
        sizeBox(&dialog, qPrintable(change))->setValue(value.toInt());
    QTRY_COMPARE_WITH_TIMEOUT(latest, imageSize, 10000);
}

QTEST_MAIN(TestImageSizeDialog)
#include "tst_imagesizedialog.moc"
