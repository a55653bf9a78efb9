#include "IconPainter.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

QImage PaintAppIcon(int size)
{
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 256.0, size / 256.0); // drawn on a 256-unit grid

    // The tile: the band's light-to-grey gradient with a dark rim, as under the program's list.
    QLinearGradient band(0, 8, 0, 248);
    band.setColorAt(0.0, QColor(245, 245, 246));
    band.setColorAt(0.55, QColor(184, 185, 191));
    band.setColorAt(1.0, QColor(155, 156, 162));
    QPainterPath tile;
    tile.addRoundedRect(QRectF(8, 8, 240, 240), 36, 36);
    p.fillPath(tile, band);
    p.setPen(QPen(QColor(28, 28, 28), 6));
    p.drawPath(tile);

    // The list: black rows with white text bars; the second row selected and marked.
    const QRectF list(34, 34, 188, 108);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawRoundedRect(list, 8, 8);
    for (int row = 0; row < 3; ++row) {
        const double y = list.top() + 10 + row * 32;
        if (row == 1) {
            p.setBrush(QColor(23, 54, 100));
            p.drawRect(QRectF(list.left() + 6, y - 2, list.width() - 12, 28));
            // The current-data marker: a white triangle pointing at the row.
            QPainterPath marker;
            marker.moveTo(list.left() + 12, y + 2);
            marker.lineTo(list.left() + 28, y + 12);
            marker.lineTo(list.left() + 12, y + 22);
            marker.closeSubpath();
            p.fillPath(marker, Qt::white);
        }
        p.setBrush(QColor(235, 235, 235));
        p.drawRoundedRect(QRectF(list.left() + 38, y + 8, row == 1 ? 110 : 130 - row * 20, 8), 3, 3);
    }

    // The arrow of the Update picture, dark blue, pointing down onto the console's slab.
    QPainterPath arrow;
    arrow.moveTo(104, 148);
    arrow.lineTo(152, 148);
    arrow.lineTo(152, 178);
    arrow.lineTo(180, 178);
    arrow.lineTo(128, 222);
    arrow.lineTo(76, 178);
    arrow.lineTo(104, 178);
    arrow.closeSubpath();
    p.fillPath(arrow, QColor(17, 58, 98));
    p.setBrush(QColor(28, 28, 28));
    p.drawRoundedRect(QRectF(60, 226, 136, 10), 4, 4);
    p.end();
    return img;
}
