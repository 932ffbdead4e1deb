// How long the GUI thread spends on one camera image in the Camera Image
// dock: conversion to a pixmap, scaling to the dock's width (or drawing the
// part a 100 % zoom shows), clipping marks where they are on, and the label
// update, for the sensor sizes of the simulated cameras and typical dock
// widths. The camera delivers at most about 33 images per second, so the
// cost per image tells how much of the GUI thread's time the live image takes.

#include <QApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include "qdisplaywidget.h"

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTextStream out(stdout);
    out << "image        view            dock width   ms per image   share of GUI thread at 33 "
           "images/s\n";
    enum View { Fitted, FittedMarked, ActualSize };
    const QStringList viewNames = {"fitted", "fitted, marks", "100 %"};

    const QList<QSize> sensors = {QSize(1280, 1024), QSize(1936, 1216)};
    for (const QSize &sensor : sensors) {
        auto image = QSharedPointer<QImage>::create(sensor, QImage::Format_RGB888);
        for (int y = 0; y < image->height(); ++y) {
            uchar *line = image->scanLine(y);
            for (int x = 0; x < image->width() * 3; ++x)
                line[x] = uchar((x * 7 + y * 13) & 0xFF);
        }
        for (int view : {Fitted, FittedMarked, ActualSize}) {
            for (int width : {250, 500, 1000}) {
                QDisplayWidget display;
                display.resize(width, 400);
                display.show();
                QCoreApplication::processEvents();
                display.setImage(image); // warm-up
                display.setClippingMarksShown(view == FittedMarked);
                if (view == ActualSize)
                    display.showActualSize();

                const int rounds = 60;
                QElapsedTimer timer;
                timer.start();
                for (int i = 0; i < rounds; ++i) {
                    display.setImage(image);
                    QCoreApplication::processEvents();
                }
                const double msPerImage = double(timer.nsecsElapsed()) / 1e6 / rounds;
                out << QString("%1x%2").arg(sensor.width()).arg(sensor.height()).leftJustified(13)
                    << viewNames.at(view).leftJustified(16)
                    << QString::number(width).leftJustified(13)
                    << QString::number(msPerImage, 'f', 2).leftJustified(15)
                    << QString::number(msPerImage * 33.0 / 10.0, 'f', 1) << " %\n";
            }
        }
    }
    return 0;
}
