#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

class QPainter;

/// Draws the application's icons: flat pictures on a 48 x 48 grid, rendered
/// at any size with antialiasing on a transparent background.
class IconPainter
{
public:
    /// The file names (without ".png") of the tool-bar and list icons.
    static QStringList iconNames();
    /// Renders the named icon, or the application icon for "application".
    /// Unknown names give a null image.
    static QImage render(const QString &name, int size);

private:
    static bool draw(const QString &name, QPainter &painter);
};
