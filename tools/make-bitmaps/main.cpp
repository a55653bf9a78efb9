// Writes the program's bitmaps as PNG files into the folder given on the command line (res/bitmaps).
#include "BitmapPainter.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-bitmaps <output folder>\n");
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
    return 0;
}
