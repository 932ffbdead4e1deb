// Draws the icons of the application into its resource folder:
//   icongen <sequencer/style/resources>
// writes images/Icons8/<name>.png (48 x 48), images/Icons8/icon.ico (16 to 256)
// and desktop/vyra-sequencer.png (256 x 256, for Linux desktops).

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTextStream>

#include "iconpainter.h"
#include "icowriter.h"

namespace {

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

} // namespace

int main(int argc, char *argv[])
{
    // Painting needs no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    QTextStream err(stderr);
    if (argc != 2) {
        err << "usage: icongen <resource folder>\n";
        return 2;
    }
    const QDir resources(QString::fromLocal8Bit(argv[1]));
    const QString iconFolder = resources.filePath(QStringLiteral("images/Icons8"));
    const QString desktopFolder = resources.filePath(QStringLiteral("desktop"));
    if (!QDir().mkpath(iconFolder) || !QDir().mkpath(desktopFolder)) {
        err << "cannot create the folders under " << resources.path() << "\n";
        return 1;
    }

    bool ok = true;
    for (const QString &name : IconPainter::iconNames()) {
        const QString path = QDir(iconFolder).filePath(name + QStringLiteral(".png"));
        if (!IconPainter::render(name, 48).save(path, "PNG")) {
            err << "cannot write " << path << "\n";
            ok = false;
        }
    }

    QList<QImage> sizes;
    for (int size : {16, 24, 32, 48, 64, 256})
        sizes.append(IconPainter::render(QStringLiteral("application"), size));
    const QString icoPath = QDir(iconFolder).filePath(QStringLiteral("icon.ico"));
    if (!writeFile(icoPath, IcoWriter::encode(sizes))) {
        err << "cannot write " << icoPath << "\n";
        ok = false;
    }
    const QString desktopIcon = QDir(desktopFolder).filePath(QStringLiteral("vyra-sequencer.png"));
    if (!sizes.last().save(desktopIcon, "PNG")) {
        err << "cannot write " << desktopIcon << "\n";
        ok = false;
    }
    return ok ? 0 : 1;
}
