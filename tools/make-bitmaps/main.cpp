// Writes the program's bitmaps as PNG files into the folder given on the command line (res/bitmaps) and,
// when a second folder is given (res/icons), the desktop icon at the sizes a desktop looks for.
#include "BitmapPainter.h"
#include "IconPainter.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: make-bitmaps <bitmap folder> [<icon folder>]\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.exists() && !QDir().mkpath(out.path())) {
        std::fprintf(stderr, "make-bitmaps: cannot create %s\n", argv[1]);
        return 1;
    }
    for (const GeneratedBitmap& bmp : PaintAllBitmaps()) {
        const QString path = out.filePath(QString::fromLatin1(bmp.name));
        if (!bmp.image.convertToFormat(QImage::Format_RGB888).save(path, "PNG")) {
            std::fprintf(stderr, "make-bitmaps: cannot write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("%s\n", qPrintable(path));
    }
    if (argc == 3) {
        const QDir icons(QString::fromLocal8Bit(argv[2]));
        if (!icons.exists() && !QDir().mkpath(icons.path())) {
            std::fprintf(stderr, "make-bitmaps: cannot create %s\n", argv[2]);
            return 1;
        }
        for (int size : {32, 48, 128, 256}) {
            const QString path = icons.filePath(QStringLiteral("sonvale-data-manager-%1.png").arg(size));
            if (!PaintAppIcon(size).save(path, "PNG")) {
                std::fprintf(stderr, "make-bitmaps: cannot write %s\n", qPrintable(path));
                return 1;
            }
            std::printf("%s\n", qPrintable(path));
        }
    }
    return 0;
}
