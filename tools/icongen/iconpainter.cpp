#include "iconpainter.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <functional>
#include <map>

namespace {

const QColor ink(0x3C, 0x44, 0x4C);
const QColor blue(0x41, 0x96, 0xEB);
const QColor darkBlue(0x20, 0x74, 0xC9);
const QColor green(0x2E, 0xA0, 0x4F);
const QColor red(0xE0, 0x45, 0x3A);
const QColor amber(0xF5, 0xB0, 0x2E);
const QColor darkAmber(0xD9, 0x8E, 0x10);
const QColor paper(0xFF, 0xFF, 0xFF);

QPen strokePen(const QColor &colour, qreal width)
{
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void drawCreateNew(QPainter &p)
{
    QPainterPath page;
    page.moveTo(10, 4);
    page.lineTo(28, 4);
    page.lineTo(37, 13);
    page.lineTo(37, 44);
    page.lineTo(10, 44);
    page.closeSubpath();
    p.setPen(strokePen(ink, 3));
    p.setBrush(paper);
    p.drawPath(page);
    p.drawPolyline(QPolygonF({QPointF(28, 4), QPointF(28, 13), QPointF(37, 13)}));
    p.setPen(strokePen(ink, 2));
    for (qreal y : {21.0, 27.0})
        p.drawLine(QPointF(16, y), QPointF(31, y));
    // The badge says "new".
    p.setPen(Qt::NoPen);
    p.setBrush(green);
    p.drawEllipse(QPointF(35, 35), 10, 10);
    p.setPen(strokePen(paper, 3.5));
    p.drawLine(QPointF(35, 29.5), QPointF(35, 40.5));
    p.drawLine(QPointF(29.5, 35), QPointF(40.5, 35));
}

void drawOpenFolder(QPainter &p)
{
    QPainterPath back;
    back.moveTo(4, 40);
    back.lineTo(4, 9);
    back.lineTo(17, 9);
    back.lineTo(21, 14);
    back.lineTo(38, 14);
    back.lineTo(38, 20);
    p.setPen(strokePen(ink, 3));
    p.setBrush(darkAmber);
    p.drawPath(back);
    QPolygonF front({QPointF(11, 20), QPointF(46, 20), QPointF(39, 40), QPointF(4, 40)});
    p.setBrush(amber);
    p.drawPolygon(front);
}

void drawCurvedArrow(QPainter &p)
{
    // Points left: undo; mirrored for redo.
    QPainterPath arc;
    arc.moveTo(40, 38);
    arc.cubicTo(40, 22, 32, 16, 20, 16);
    arc.lineTo(15, 16);
    p.setPen(strokePen(blue, 5));
    p.setBrush(Qt::NoBrush);
    p.drawPath(arc);
    p.setPen(strokePen(blue, 2));
    p.setBrush(blue);
    p.drawPolygon(QPolygonF({QPointF(4, 16), QPointF(17, 6), QPointF(17, 26)}));
}

void drawUndo(QPainter &p)
{
    drawCurvedArrow(p);
}

void drawRedo(QPainter &p)
{
    p.translate(48, 0);
    p.scale(-1, 1);
    drawCurvedArrow(p);
}

void drawSave(QPainter &p)
{
    QPainterPath body;
    body.moveTo(6, 8);
    body.quadTo(6, 6, 8, 6);
    body.lineTo(35, 6);
    body.lineTo(42, 13);
    body.lineTo(42, 40);
    body.quadTo(42, 42, 40, 42);
    body.lineTo(8, 42);
    body.quadTo(6, 42, 6, 40);
    body.closeSubpath();
    p.setPen(strokePen(darkBlue, 2));
    p.setBrush(blue);
    p.drawPath(body);
    // Metal shutter with its window, and the label.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xD8, 0xE6, 0xF3));
    p.drawRect(QRectF(13, 6, 19, 12));
    p.setBrush(darkBlue);
    p.drawRect(QRectF(25, 8.5, 4, 7));
    p.setBrush(paper);
    p.drawRoundedRect(QRectF(12, 25, 24, 17), 1.5, 1.5);
    p.setPen(strokePen(QColor(0xA9, 0xC8, 0xE8), 1.5));
    for (qreal y : {30.0, 35.0})
        p.drawLine(QPointF(16, y), QPointF(32, y));
}

void drawWorkflow(QPainter &p)
{
    p.setPen(strokePen(ink, 3));
    p.setBrush(Qt::NoBrush);
    // Connectors first, so that the boxes cover their ends.
    p.drawPolyline(QPolygonF({QPointF(14, 15), QPointF(14, 22), QPointF(28, 22)}));
    p.drawPolyline(QPolygonF({QPointF(36, 27), QPointF(36, 34), QPointF(24, 34)}));
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawPolygon(QPolygonF({QPointF(31, 22), QPointF(25, 18), QPointF(25, 26)}));
    p.drawPolygon(QPolygonF({QPointF(21, 34), QPointF(27, 30), QPointF(27, 38)}));
    p.setPen(strokePen(darkBlue, 2));
    p.setBrush(blue);
    p.drawRoundedRect(QRectF(4, 4, 20, 11), 2, 2);
    p.drawRoundedRect(QRectF(26, 16, 18, 11), 2, 2);
    p.setBrush(green);
    p.setPen(strokePen(green.darker(130), 2));
    p.drawRoundedRect(QRectF(4, 29, 17, 11), 2, 2);
}

void drawCancel(QPainter &p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(red);
    p.drawEllipse(QPointF(24, 24), 20, 20);
    p.setPen(strokePen(paper, 5));
    p.drawLine(QPointF(16, 16), QPointF(32, 32));
    p.drawLine(QPointF(32, 16), QPointF(16, 32));
}

void drawPlus(QPainter &p)
{
    p.setPen(strokePen(green, 7));
    p.drawLine(QPointF(24, 7), QPointF(24, 41));
    p.drawLine(QPointF(7, 24), QPointF(41, 24));
}

void drawMinus(QPainter &p)
{
    p.setPen(strokePen(red, 7));
    p.drawLine(QPointF(7, 24), QPointF(41, 24));
}

void drawCompactCamera(QPainter &p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawRoundedRect(QRectF(9, 8, 11, 7), 1.5, 1.5);
    p.drawRoundedRect(QRectF(3, 13, 42, 28), 4, 4);
    p.setBrush(paper);
    p.drawEllipse(QPointF(24, 27), 10.5, 10.5);
    p.setBrush(blue);
    p.drawEllipse(QPointF(24, 27), 7, 7);
    p.setBrush(QColor(255, 255, 255, 190));
    p.drawEllipse(QPointF(21.5, 24.5), 2.2, 2.2);
    p.setBrush(amber);
    p.drawRoundedRect(QRectF(36, 17, 5, 3.5), 1, 1);
}

void drawTrashCan(QPainter &p)
{
    p.setPen(strokePen(ink, 3));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(7, 11), QPointF(41, 11));
    p.drawPolyline(QPolygonF({QPointF(18, 11), QPointF(18, 5), QPointF(30, 5), QPointF(30, 11)}));
    QPainterPath can;
    can.moveTo(11, 15);
    can.lineTo(37, 15);
    can.lineTo(35, 43);
    can.lineTo(13, 43);
    can.closeSubpath();
    p.setBrush(QColor(0xE6, 0xE9, 0xEC));
    p.drawPath(can);
    p.setPen(strokePen(ink, 2.5));
    for (qreal x : {19.0, 24.0, 29.0})
        p.drawLine(QPointF(x, 20), QPointF(x, 38));
}

void drawDelete(QPainter &p)
{
    p.setPen(strokePen(red, 7));
    p.drawLine(QPointF(10, 10), QPointF(38, 38));
    p.drawLine(QPointF(38, 10), QPointF(10, 38));
}

void drawCircledPlay(QPainter &p)
{
    p.setPen(strokePen(green, 4));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(24, 24), 19, 19);
    p.setPen(strokePen(green, 2));
    p.setBrush(green);
    p.drawPolygon(QPolygonF({QPointF(19, 14), QPointF(35, 24), QPointF(19, 34)}));
}

void drawTriggering(QPainter &p)
{
    // A lightning bolt: one impulse that fires the camera.
    QPolygonF bolt({QPointF(28, 3), QPointF(9, 27), QPointF(22, 27), QPointF(17, 45),
                    QPointF(39, 19), QPointF(26, 19), QPointF(33, 3)});
    p.setPen(strokePen(darkAmber, 2.5));
    p.setBrush(amber);
    p.drawPolygon(bolt);
}

void drawUsbSymbol(QPainter &p, const QColor &colour)
{
    p.setPen(strokePen(colour, 3.5));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(24, 10), QPointF(24, 38));
    p.drawPolyline(QPolygonF({QPointF(24, 33), QPointF(13, 26), QPointF(13, 20)}));
    p.drawPolyline(QPolygonF({QPointF(24, 29), QPointF(35, 22), QPointF(35, 17)}));
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(QPolygonF({QPointF(24, 2), QPointF(30, 11), QPointF(18, 11)}));
    p.drawEllipse(QPointF(24, 40), 5, 5);
    p.drawEllipse(QPointF(13, 17), 4, 4);
    p.drawRect(QRectF(31.5, 11, 7, 7));
}

void drawUsbConnected(QPainter &p)
{
    drawUsbSymbol(p, green);
}

void drawUsbDisconnected(QPainter &p)
{
    drawUsbSymbol(p, QColor(0x9A, 0xA0, 0xA6));
    p.setPen(strokePen(paper, 8));
    p.drawLine(QPointF(8, 40), QPointF(40, 8));
    p.setPen(strokePen(red, 4.5));
    p.drawLine(QPointF(8, 40), QPointF(40, 8));
}

/// An Ethernet socket, as on a network (GigE) camera: a frame round the
/// opening with its latch notch below and its contacts at the top.
void drawNetworkSymbol(QPainter &p, const QColor &colour)
{
    p.setPen(strokePen(colour, 3.5));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(5, 5, 38, 38), 5, 5);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(QPolygonF({QPointF(12, 13), QPointF(36, 13), QPointF(36, 30), QPointF(30, 30),
                             QPointF(30, 36), QPointF(18, 36), QPointF(18, 30), QPointF(12, 30)}));
    p.setPen(strokePen(paper, 2));
    for (qreal x = 16; x <= 32; x += 4)
        p.drawLine(QPointF(x, 15.5), QPointF(x, 21));
}

void drawNetworkConnected(QPainter &p)
{
    drawNetworkSymbol(p, green);
}

void drawNetworkDisconnected(QPainter &p)
{
    drawNetworkSymbol(p, QColor(0x9A, 0xA0, 0xA6));
    p.setPen(strokePen(paper, 8));
    p.drawLine(QPointF(8, 40), QPointF(40, 8));
    p.setPen(strokePen(red, 4.5));
    p.drawLine(QPointF(8, 40), QPointF(40, 8));
}

void drawSaveImage(QPainter &p)
{
    // A picture (sky, hill, sun) with an arrow into the disk below it.
    p.setPen(strokePen(ink, 2));
    p.setBrush(QColor(0xCF, 0xE6, 0xFA));
    p.drawRoundedRect(QRectF(4, 5, 32, 26), 2, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(amber);
    p.drawEllipse(QPointF(27, 13), 4, 4);
    p.setBrush(green);
    p.drawPolygon(QPolygonF({QPointF(5, 30), QPointF(15, 17), QPointF(24, 30)}));
    p.setBrush(green.darker(120));
    p.drawPolygon(QPolygonF({QPointF(17, 30), QPointF(25, 21), QPointF(35, 30)}));
    p.setPen(strokePen(darkBlue, 2));
    p.setBrush(blue);
    p.drawRoundedRect(QRectF(26, 30, 18, 14), 2, 2);
    p.setPen(strokePen(paper, 3));
    p.drawLine(QPointF(35, 31), QPointF(35, 40));
    p.drawPolyline(QPolygonF({QPointF(31, 36), QPointF(35, 40), QPointF(39, 36)}));
}

void drawRecord(QPainter &p)
{
    p.setPen(strokePen(ink, 3));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(24, 24), 19, 19);
    p.setPen(Qt::NoPen);
    p.setBrush(red);
    p.drawEllipse(QPointF(24, 24), 12, 12);
}

void drawStopRecording(QPainter &p)
{
    p.setPen(strokePen(ink, 3));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(24, 24), 19, 19);
    p.setPen(Qt::NoPen);
    p.setBrush(red);
    p.drawRoundedRect(QRectF(15, 15, 18, 18), 2.5, 2.5);
}

void drawCaptureCycle(QPainter &p)
{
    // One turn around the sets, with the recording dot in its middle.
    p.setPen(strokePen(blue, 4));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(5, 5, 38, 38), 100 * 16, 290 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(blue);
    p.drawPolygon(QPolygonF({QPointF(18, 1), QPointF(28, 6.5), QPointF(18, 12)}));
    p.setBrush(red);
    p.drawEllipse(QPointF(24, 24), 9, 9);
}

// A set as the workspace draws it: a card with a title bar.
void drawSetCard(QPainter &p, const QRectF &card, const QColor &title)
{
    p.setPen(strokePen(ink, 2.5));
    p.setBrush(paper);
    p.drawRoundedRect(card, 2, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(title);
    p.drawRect(QRectF(card.left() + 1.25, card.top() + 1.25, card.width() - 2.5, 5));
}

void drawGenerateSets(QPainter &p)
{
    // A row of sets, each brighter than the one before: a bracket made at once.
    const QColor shades[] = {ink, darkBlue, blue};
    for (int i = 0; i < 3; ++i)
        drawSetCard(p, QRectF(3 + i * 10, 12 + i * 5, 20, 25 - i * 5), shades[i]);
    p.setPen(Qt::NoPen);
    p.setBrush(amber);
    // The spark of "in one step".
    p.drawPolygon(
        QPolygonF({QPointF(39, 2), QPointF(41.5, 8.5), QPointF(47, 10), QPointF(41.5, 11.5),
                   QPointF(39, 18), QPointF(36.5, 11.5), QPointF(31, 10), QPointF(36.5, 8.5)}));
}

void drawDuplicateSet(QPainter &p)
{
    drawSetCard(p, QRectF(4, 4, 24, 30), blue);
    drawSetCard(p, QRectF(18, 14, 24, 30), blue);
    p.setPen(Qt::NoPen);
    p.setBrush(green);
    p.drawEllipse(QPointF(36, 36), 9, 9);
    p.setPen(strokePen(paper, 3));
    p.drawLine(QPointF(36, 31), QPointF(36, 41));
    p.drawLine(QPointF(31, 36), QPointF(41, 36));
}

void drawApplication(QPainter &p)
{
    QLinearGradient background(0, 0, 0, 48);
    background.setColorAt(0, QColor(0x55, 0xB3, 0xFF));
    background.setColorAt(1, darkBlue);
    p.setPen(Qt::NoPen);
    p.setBrush(background);
    p.drawRoundedRect(QRectF(1, 1, 46, 46), 9, 9);

    // A camera above a row of three frames: the sets of a sequence.
    p.setBrush(paper);
    p.drawRoundedRect(QRectF(13, 7, 9, 6), 1.5, 1.5);
    p.drawRoundedRect(QRectF(8, 11, 32, 21), 3.5, 3.5);
    p.setBrush(darkBlue);
    p.drawEllipse(QPointF(24, 21.5), 7.5, 7.5);
    p.setBrush(paper);
    p.drawEllipse(QPointF(24, 21.5), 4, 4);
    for (int i = 0; i < 3; ++i) {
        p.setBrush(i == 1 ? QColor(amber) : QColor(paper));
        p.drawRoundedRect(QRectF(9 + i * 11.5, 35, 7.5, 6), 1, 1);
    }
}

using Drawing = std::function<void(QPainter &)>;

const std::map<QString, Drawing> &drawings()
{
    static const std::map<QString, Drawing> table = {
        {QStringLiteral("Create New"), drawCreateNew},
        {QStringLiteral("Open Folder"), drawOpenFolder},
        {QStringLiteral("Undo"), drawUndo},
        {QStringLiteral("Redo"), drawRedo},
        {QStringLiteral("Save"), drawSave},
        {QStringLiteral("Workflow"), drawWorkflow},
        {QStringLiteral("Cancel"), drawCancel},
        {QStringLiteral("Plus"), drawPlus},
        {QStringLiteral("Minus"), drawMinus},
        {QStringLiteral("Compact Camera"), drawCompactCamera},
        {QStringLiteral("Delete_2"), drawTrashCan},
        {QStringLiteral("Delete"), drawDelete},
        {QStringLiteral("Circled Play"), drawCircledPlay},
        {QStringLiteral("Triggering"), drawTriggering},
        {QStringLiteral("USB Connected"), drawUsbConnected},
        {QStringLiteral("USB Disconnected"), drawUsbDisconnected},
        {QStringLiteral("Network Connected"), drawNetworkConnected},
        {QStringLiteral("Network Disconnected"), drawNetworkDisconnected},
        {QStringLiteral("Save Image"), drawSaveImage},
        {QStringLiteral("Record"), drawRecord},
        {QStringLiteral("Stop Recording"), drawStopRecording},
        {QStringLiteral("Capture Cycle"), drawCaptureCycle},
        {QStringLiteral("Generate Sets"), drawGenerateSets},
        {QStringLiteral("Duplicate Set"), drawDuplicateSet},
        {QStringLiteral("application"), drawApplication},
    };
    return table;
}

} // namespace

QStringList IconPainter::iconNames()
{
    QStringList names;
    for (const auto &entry : drawings()) {
        if (entry.first != QLatin1String("application"))
            names.append(entry.first);
    }
    return names;
}

QImage IconPainter::render(const QString &name, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 48.0, size / 48.0);
    const bool drawn = draw(name, painter);
    painter.end();
    return drawn ? image : QImage();
}

bool IconPainter::draw(const QString &name, QPainter &painter)
{
    const auto drawing = drawings().find(name);
    if (drawing == drawings().end())
        return false;
    drawing->second(painter);
    return true;
}
