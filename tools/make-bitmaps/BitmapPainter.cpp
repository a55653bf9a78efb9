#include "BitmapPainter.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <array>
#include <cmath>

namespace {

struct Rgb {
    double r, g, b;
};

QRgb ToRgb(const Rgb& c)
{
    return qRgb(static_cast<int>(std::lround(c.r)), static_cast<int>(std::lround(c.g)),
                static_cast<int>(std::lround(c.b)));
}

Rgb Lerp(const Rgb& a, const Rgb& b, double t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb FromQRgb(QRgb c) { return {double(qRed(c)), double(qGreen(c)), double(qBlue(c))}; }

// The band under the list, row 1 at the top.
QRgb BandRow(int row)
{
    const Rgb top{245, 245, 246}, gradientEnd{184, 185, 191};
    const Rgb dip{168, 169, 177}, plateau{189, 190, 196}, crest{190, 191, 197}, foot{185, 186, 192};
    if (row <= 1) return qRgb(0, 0, 0);
    if (row <= 3) return qRgb(255, 255, 255);
    if (row <= 48) return ToRgb(Lerp(top, gradientEnd, (row - 4) / 44.0));
    if (row == 49) return qRgb(189, 190, 197);
    if (row <= 54) return ToRgb(dip);
    if (row < 89) return ToRgb(Lerp(dip, plateau, (row - 54) / 35.0));
    if (row <= 91) return ToRgb(plateau);
    if (row == 92) return ToRgb(crest);
    if (row <= 95) return ToRgb(plateau);
    if (row < 102) return ToRgb(Lerp(plateau, foot, (row - 95) / 7.0));
    if (row <= 103) return ToRgb(foot);
    if (row == 104) return qRgb(156, 157, 163);
    return qRgb(155, 156, 162);
}

QImage Band()
{
    QImage img(1, 105, QImage::Format_RGB32);
    for (int y = 0; y < 105; ++y) img.setPixel(0, y, BandRow(y + 1));
    return img;
}

// The picture sits 5 pixels below the band's top edge, so its ground continues the band.
QImage Picture()
{
    constexpr int kWidth = 35, kHeight = 20;
    const QRgb dark = qRgb(17, 58, 98);
    // First and last dark column per row (1-based), 0 = none.
    constexpr std::array<std::array<int, 2>, kHeight> spans{{{0, 0},
                                                             {7, 26},
                                                             {7, 26},
                                                             {7, 26},
                                                             {7, 26},
                                                             {7, 26},
                                                             {4, 29},
                                                             {5, 28},
                                                             {7, 26},
                                                             {8, 25},
                                                             {10, 23},
                                                             {11, 22},
                                                             {13, 20},
                                                             {14, 19},
                                                             {16, 17},
                                                             {0, 0},
                                                             {0, 0},
                                                             {0, 0},
                                                             {0, 0},
                                                             {0, 0}}};
    auto isDark = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= kWidth || y >= kHeight) return false;
        const auto& s = spans[static_cast<size_t>(y)];
        return s[0] != 0 && x + 1 >= s[0] && x + 1 <= s[1];
    };
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    for (int y = 0; y < kHeight; ++y) {
        const Rgb ground = FromQRgb(BandRow(y + 6));
        for (int x = 0; x < kWidth; ++x) {
            if (isDark(x, y)) {
                img.setPixel(x, y, dark);
                continue;
            }
            // Soften the outline: pixels touching the arrow take part of its colour.
            int sides = isDark(x - 1, y) + isDark(x + 1, y) + isDark(x, y - 1) + isDark(x, y + 1);
            int corners = isDark(x - 1, y - 1) + isDark(x + 1, y - 1) + isDark(x - 1, y + 1) + isDark(x + 1, y + 1);
            double share = sides > 0 ? 0.35 + 0.1 * (sides - 1) : (corners > 0 ? 0.15 : 0.0);
            img.setPixel(x, y, ToRgb(Lerp(ground, FromQRgb(dark), share)));
        }
    }
    return img;
}

// A 1 x 22 header strip from 22 grey levels or colours.
QImage Strip(const std::array<QRgb, 22>& rows)
{
    QImage img(1, 22, QImage::Format_RGB32);
    for (int y = 0; y < 22; ++y) img.setPixel(0, y, rows[static_cast<size_t>(y)]);
    return img;
}

std::array<QRgb, 22> GreyStrip(std::array<int, 22> levels)
{
    std::array<QRgb, 22> rows{};
    for (size_t i = 0; i < 22; ++i) rows[i] = qRgb(levels[i], levels[i], levels[i]);
    return rows;
}

std::array<QRgb, 22> SortedStrip()
{
    constexpr int kRows[22][3] = {{28, 38, 53}, {97, 104, 114}, {93, 100, 111}, {89, 97, 108}, {84, 92, 103},
                                  {78, 86, 97}, {73, 81, 93},   {65, 74, 86},   {59, 68, 81},  {52, 61, 74},
                                  {28, 38, 53}, {28, 38, 53},   {28, 38, 53},   {28, 38, 53},  {28, 38, 53},
                                  {28, 38, 53}, {28, 38, 53},   {28, 38, 53},   {34, 44, 59},  {36, 46, 60},
                                  {38, 47, 62}, {61, 70, 83}};
    std::array<QRgb, 22> rows{};
    for (size_t i = 0; i < 22; ++i) rows[i] = qRgb(kRows[i][0], kRows[i][1], kRows[i][2]);
    return rows;
}

// White triangle on magenta, 9 x 5; row r (0 = top) of the upward one is white from 4 - r to 4 + r.
QImage Triangle(bool pointsUp)
{
    QImage img(9, 5, QImage::Format_RGB32);
    img.fill(qRgb(255, 0, 255));
    for (int r = 0; r < 5; ++r) {
        const int y = pointsUp ? r : 4 - r;
        for (int x = 4 - r; x <= 4 + r; ++x) img.setPixel(x, y, qRgb(255, 255, 255));
    }
    return img;
}

// The current-data marker: a purple ring 11 pixels across, centred in 17 x 21, its edges softened by
// coverage over an 8 x 8 grid of samples per pixel.
QImage Marker(QRgb ground)
{
    constexpr int kWidth = 17, kHeight = 21, kSamples = 8;
    constexpr double kOuter = 5.5, kInner = 3.0;
    const double cx = kWidth / 2.0, cy = kHeight / 2.0;
    const Rgb purple{204, 0, 255};
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            int inside = 0;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const double px = x + (sx + 0.5) / kSamples - cx;
                    const double py = y + (sy + 0.5) / kSamples - cy;
                    const double d = std::sqrt(px * px + py * py);
                    inside += (d <= kOuter && d >= kInner) ? 1 : 0;
                }
            }
            img.setPixel(x, y, ToRgb(Lerp(FromQRgb(ground), purple, inside / double(kSamples * kSamples))));
        }
    }
    return img;
}

enum class Face { Normal, Pressed, Disabled };

// The Update button, 156 x 47, drawn over the band rows it covers (its top lies at the band's row 26)
// so that its rounded corners blend into the band.
QImage ButtonFace(Face face)
{
    constexpr int kWidth = 156, kHeight = 47;
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) img.setPixel(x, y, BandRow(y + 26));

    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF outer(1.5, 1.5, kWidth - 3.0, kHeight - 3.0);
    QPainterPath shape;
    shape.addRoundedRect(outer, 7, 7);

    QLinearGradient body(0, outer.top(), 0, outer.bottom());
    QColor border, text, shadow;
    switch (face) {
    case Face::Normal:
        body.setColorAt(0.0, QColor(98, 104, 116));
        body.setColorAt(0.48, QColor(58, 62, 72));
        body.setColorAt(0.52, QColor(36, 39, 46));
        body.setColorAt(1.0, QColor(46, 50, 60));
        border = QColor(18, 20, 26);
        text = QColor(255, 255, 255);
        shadow = QColor(0, 0, 0, 170);
        break;
    case Face::Pressed:
        body.setColorAt(0.0, QColor(24, 27, 33));
        body.setColorAt(0.5, QColor(34, 38, 46));
        body.setColorAt(1.0, QColor(58, 63, 74));
        border = QColor(10, 12, 16);
        text = QColor(214, 226, 245);
        shadow = QColor(0, 0, 0, 200);
        break;
    case Face::Disabled:
        body.setColorAt(0.0, QColor(150, 152, 158));
        body.setColorAt(1.0, QColor(124, 126, 133));
        border = QColor(108, 110, 117);
        text = QColor(186, 188, 194);
        shadow = QColor(0, 0, 0, 0);
        break;
    }
    p.setPen(QPen(border, 1.5));
    p.setBrush(body);
    p.drawPath(shape);

    if (face == Face::Normal) {
        // Glossy highlight along the top edge and a thin selection-blue glow along the bottom.
        p.setPen(QPen(QColor(255, 255, 255, 70), 1));
        p.drawLine(QPointF(8, 3.5), QPointF(kWidth - 8, 3.5));
        p.setPen(QPen(QColor(64, 120, 200, 150), 1));
        p.drawLine(QPointF(10, kHeight - 4.5), QPointF(kWidth - 10, kHeight - 4.5));
    } else if (face == Face::Pressed) {
        p.setPen(QPen(QColor(0, 0, 0, 110), 2));
        p.drawLine(QPointF(8, 3.5), QPointF(kWidth - 8, 3.5));
    }

    QFont font("Liberation Sans");
    font.setPixelSize(19);
    font.setBold(true);
    p.setFont(font);
    const int shift = face == Face::Pressed ? 1 : 0;
    const QRect textRect(0, shift, kWidth + 2 * shift, kHeight - 1);
    if (shadow.alpha() > 0) {
        p.setPen(shadow);
        p.drawText(textRect.translated(0, 1), Qt::AlignCenter, QStringLiteral("Update"));
    }
    p.setPen(text);
    p.drawText(textRect, Qt::AlignCenter, QStringLiteral("Update"));
    p.end();
    return img;
}

}  // namespace

std::vector<GeneratedBitmap> PaintAllBitmaps()
{
    std::vector<GeneratedBitmap> all;
    all.push_back({136, "136_picture.png", Picture()});
    all.push_back({138, "138_update_normal.png", ButtonFace(Face::Normal)});
    all.push_back({139, "139_update_pressed.png", ButtonFace(Face::Pressed)});
    all.push_back({140, "140_update_disabled.png", ButtonFace(Face::Disabled)});
    all.push_back({141, "141_header_back.png",
                   Strip(GreyStrip({28, 97, 93, 89, 84, 78, 73, 65, 59, 52, 28, 28, 28, 28, 28, 28, 28, 28, 34, 36, 38, 61}))});
    all.push_back({142, "142_header_sorted.png", Strip(SortedStrip())});
    all.push_back({143, "143_header_divider.png",
                   Strip(GreyStrip({62, 120, 117, 114, 110, 104, 100, 94, 88, 82, 62, 62, 62, 62, 62, 62, 62, 62, 67, 69, 70, 91}))});
    all.push_back({144, "144_band.png", Band()});
    all.push_back({145, "145_header_pressed.png",
                   Strip(GreyStrip({28, 120, 117, 114, 110, 104, 100, 94, 88, 82, 62, 62, 62, 62, 62, 62, 62, 62, 67, 69, 70, 90}))});
    all.push_back({146, "146_marker_selected.png", Marker(qRgb(23, 54, 100))});
    all.push_back({147, "147_marker.png", Marker(qRgb(0, 0, 0))});
    all.push_back({148, "148_sort_up.png", Triangle(true)});
    all.push_back({149, "149_sort_down.png", Triangle(false)});
    return all;
}
