// Key pixels of every generated bitmap, checked against the pictures' descriptions. Rows and columns
// in the comments count from 1; the code counts from 0.
#include "WidgetTestSupport.h"

namespace {

QImage Bitmap(int id)
{
    TestApp();
    return LoadBitmap(id).toImage();
}

TEST(Bitmaps, AllLoadWithTheirSizes)
{
    const struct {
        int id, w, h;
    } sizes[] = {{136, 35, 20}, {138, 156, 47}, {139, 156, 47}, {140, 156, 47}, {141, 1, 22}, {142, 1, 22}, {143, 1, 22},
                 {144, 1, 105}, {145, 1, 22},   {146, 17, 21},  {147, 17, 21},  {148, 9, 5},  {149, 9, 5}};
    for (const auto& s : sizes) {
        const QImage img = Bitmap(s.id);
        ASSERT_FALSE(img.isNull()) << s.id;
        EXPECT_EQ(img.size(), QSize(s.w, s.h)) << s.id;
        EXPECT_FALSE(img.hasAlphaChannel()) << s.id;
    }
    EXPECT_TRUE(LoadBitmap(137).isNull());
}

TEST(Bitmaps, BandRows)
{
    const QImage band = Bitmap(IDB_BAND);
    auto row = [&](int r) { return band.pixelColor(0, r - 1); };
    EXPECT_TRUE(IsColour(row(1), 0, 0, 0));
    EXPECT_TRUE(IsColour(row(2), 255, 255, 255));
    EXPECT_TRUE(IsColour(row(3), 255, 255, 255));
    EXPECT_TRUE(IsColour(row(4), 245, 245, 246));
    EXPECT_TRUE(IsColour(row(48), 184, 185, 191));
    EXPECT_TRUE(IsColour(row(49), 189, 190, 197));
    for (int r = 50; r <= 54; ++r) EXPECT_TRUE(IsColour(row(r), 168, 169, 177)) << r;
    for (int r : {89, 90, 91, 93, 94, 95}) EXPECT_TRUE(IsColour(row(r), 189, 190, 196)) << r;
    EXPECT_TRUE(IsColour(row(92), 190, 191, 197));
    EXPECT_TRUE(IsColour(row(102), 185, 186, 192));
    EXPECT_TRUE(IsColour(row(103), 185, 186, 192));
    EXPECT_TRUE(IsColour(row(104), 156, 157, 163));
    EXPECT_TRUE(IsColour(row(105), 155, 156, 162));
    // The gradient and the rise are even: strictly monotonic in between.
    for (int r = 5; r <= 48; ++r) EXPECT_LT(row(r).red(), row(r - 1).red()) << r;
    for (int r = 60; r <= 88; r += 4) EXPECT_GT(row(r).red(), row(r - 4).red()) << r;
}

TEST(Bitmaps, HeaderStrips)
{
    const QImage back = Bitmap(IDB_HEADER_BACK), divider = Bitmap(IDB_HEADER_DIVIDER);
    const QImage pressed = Bitmap(IDB_HEADER_PRESSED), sorted = Bitmap(IDB_HEADER_SORTED);
    auto at = [](const QImage& img, int r) { return img.pixelColor(0, r - 1); };
    EXPECT_TRUE(IsColour(at(back, 1), 28, 28, 28));
    EXPECT_TRUE(IsColour(at(back, 2), 97, 97, 97));
    EXPECT_TRUE(IsColour(at(back, 10), 52, 52, 52));
    EXPECT_TRUE(IsColour(at(back, 15), 28, 28, 28));
    EXPECT_TRUE(IsColour(at(back, 22), 61, 61, 61));
    EXPECT_TRUE(IsColour(at(divider, 1), 62, 62, 62));
    EXPECT_TRUE(IsColour(at(divider, 2), 120, 120, 120));
    EXPECT_TRUE(IsColour(at(divider, 22), 91, 91, 91));
    EXPECT_TRUE(IsColour(at(pressed, 1), 28, 28, 28));
    EXPECT_TRUE(IsColour(at(pressed, 11), 62, 62, 62));
    EXPECT_TRUE(IsColour(at(pressed, 22), 90, 90, 90));
    EXPECT_TRUE(IsColour(at(sorted, 1), 28, 38, 53));
    EXPECT_TRUE(IsColour(at(sorted, 2), 97, 104, 114));
    EXPECT_TRUE(IsColour(at(sorted, 19), 34, 44, 59));
    EXPECT_TRUE(IsColour(at(sorted, 22), 61, 70, 83));
}

TEST(Bitmaps, SortTrianglesAreWhiteOnMagenta)
{
    const QImage up = Bitmap(IDB_SORT_UP), down = Bitmap(IDB_SORT_DOWN);
    for (int row = 0; row < 5; ++row) {
        for (int x = 0; x < 9; ++x) {
            const bool whiteUp = x >= 4 - row && x <= 4 + row;
            const bool whiteDown = x >= row && x <= 8 - row;
            EXPECT_TRUE(whiteUp ? IsColour(up.pixelColor(x, row), 255, 255, 255)
                                : IsColour(up.pixelColor(x, row), 255, 0, 255))
                << "up " << x << "," << row;
            EXPECT_TRUE(whiteDown ? IsColour(down.pixelColor(x, row), 255, 255, 255)
                                  : IsColour(down.pixelColor(x, row), 255, 0, 255))
                << "down " << x << "," << row;
        }
    }
}

TEST(Bitmaps, MarkersAreRingsOnTheirGrounds)
{
    const QImage plain = Bitmap(IDB_MARKER), selected = Bitmap(IDB_MARKER_SELECTED);
    // Corners and the ring's hole show the ground; the ring's middle is pure purple.
    EXPECT_TRUE(IsColour(plain.pixelColor(0, 0), 0, 0, 0));
    EXPECT_TRUE(IsColour(plain.pixelColor(8, 10), 0, 0, 0));
    EXPECT_TRUE(IsColour(selected.pixelColor(0, 0), 23, 54, 100));
    EXPECT_TRUE(IsColour(selected.pixelColor(8, 10), 23, 54, 100));
    for (QPoint ring : {QPoint(12, 10), QPoint(4, 10), QPoint(8, 6), QPoint(8, 14)}) {
        EXPECT_TRUE(IsColour(plain.pixelColor(ring), 204, 0, 255)) << ring.x() << "," << ring.y();
        EXPECT_TRUE(IsColour(selected.pixelColor(ring), 204, 0, 255)) << ring.x() << "," << ring.y();
    }
    // 11 pixels across: nothing of the ring beyond columns 3 to 13; the outer edge is softened.
    EXPECT_TRUE(IsColour(plain.pixelColor(2, 10), 0, 0, 0));
    EXPECT_TRUE(IsColour(plain.pixelColor(14, 10), 0, 0, 0));
    int softened = 0;
    for (int y = 0; y < 21; ++y)
        for (int x = 0; x < 17; ++x) softened += qBlue(plain.pixel(x, y)) > 0 && qBlue(plain.pixel(x, y)) < 255;
    EXPECT_GE(softened, 16);
    EXPECT_EQ(softened % 4, 0) << "the ring is symmetric";
    // Masked with white, neither picture may contain white.
    for (const QImage* img : {&plain, &selected})
        for (int y = 0; y < 21; ++y)
            for (int x = 0; x < 17; ++x) EXPECT_NE(img->pixel(x, y), qRgb(255, 255, 255));
}

TEST(Bitmaps, PictureArrow)
{
    const QImage pic = Bitmap(IDB_UPDATE_PICTURE);
    auto at = [&](int col, int row) { return pic.pixelColor(col - 1, row - 1); };
    for (QPoint dark : {QPoint(7, 2), QPoint(26, 6), QPoint(4, 7), QPoint(29, 7), QPoint(13, 13), QPoint(16, 15),
                        QPoint(17, 15)})
        EXPECT_TRUE(IsColour(at(dark.x(), dark.y()), 17, 58, 98)) << dark.x() << "," << dark.y();
    // The ground continues the band: about (242,243,244) at the top, lighter than any arrow pixel.
    const QColor top = at(1, 1);
    EXPECT_NEAR(top.red(), 242, 1);
    EXPECT_NEAR(top.green(), 243, 1);
    EXPECT_NEAR(top.blue(), 244, 1);
    // Its bottom row is the band's row 25, about (216,216,220).
    EXPECT_NEAR(at(35, 20).red(), 216, 1);
    EXPECT_NEAR(at(35, 20).blue(), 220, 1);
    // Next to an edge the colours are blended, neither ground nor arrow.
    const QColor blended = at(15, 15);
    EXPECT_LT(blended.red(), 200);
    EXPECT_GT(blended.red(), 17);
}

TEST(Bitmaps, UpdateFacesAreLegible)
{
    // The word sits in the middle of each face: its brightest pixel must stand out from the face.
    for (int id : {IDB_UPDATE_NORMAL, IDB_UPDATE_PRESSED, IDB_UPDATE_DISABLED}) {
        const QImage face = Bitmap(id);
        int brightest = 0, darkest = 255;
        for (int y = 14; y < 33; ++y) {
            for (int x = 40; x < 116; ++x) {
                const int v = qGray(face.pixel(x, y));
                brightest = std::max(brightest, v);
                darkest = std::min(darkest, v);
            }
        }
        EXPECT_GT(brightest - darkest, id == IDB_UPDATE_DISABLED ? 25 : 120) << id;
    }
    // The pressed face is darker than the normal one.
    EXPECT_LT(qGray(Bitmap(IDB_UPDATE_PRESSED).pixel(10, 8)), qGray(Bitmap(IDB_UPDATE_NORMAL).pixel(10, 8)));
}

}  // namespace

namespace {

// A picture as a pixmap holds it: premultiplied, which may round a half-transparent pixel's colour by
// one; both sides of a comparison go through the same rounding.
QImage Rgba(const QImage& image)
{
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied).convertToFormat(QImage::Format_ARGB32);
}

TEST(ProgramIcon, EachSizeIsItsOwnPictureAndOtherSizesAreScaledDown)
{
    TestApp();
    QIcon icon = LoadProgramIcon();
    EXPECT_EQ(icon.availableSizes(), (QList<QSize>{{32, 32}, {48, 48}, {128, 128}, {256, 256}}));
    for (int n : {32, 48, 128, 256}) {
        const QImage expected(QStringLiteral(":/icons/128/%1.png").arg(n));
        ASSERT_EQ(expected.size(), QSize(n, n)) << n;
        EXPECT_EQ(Rgba(icon.pixmap(n, n).toImage()), Rgba(expected)) << n;
    }
    // Never larger than asked, square, and the largest picture for anything above it.
    EXPECT_EQ(icon.pixmap(64, 64).size(), QSize(64, 64));
    EXPECT_EQ(icon.pixmap(16, 16).size(), QSize(16, 16));
    EXPECT_EQ(icon.pixmap(QSize(40, 24)).size(), QSize(24, 24));
    EXPECT_EQ(icon.pixmap(300, 300).size(), QSize(256, 256));
    EXPECT_EQ(icon.actualSize(QSize(100, 100)), QSize(100, 100));
    // The disabled form is the style's greyed picture, not the plain one.
    EXPECT_NE(Rgba(icon.pixmap(QSize(32, 32), QIcon::Disabled).toImage()), Rgba(icon.pixmap(32, 32).toImage()));
    // A copy draws the same.
    const QIcon copy = icon;
    icon.detach();
    EXPECT_EQ(Rgba(copy.pixmap(48, 48).toImage()), Rgba(icon.pixmap(48, 48).toImage()));
}

// Guessing a picture's format from a name without a suffix asks the MIME database, which maps the
// shared MIME tables and loads a regular-expression engine at every start of the program.
TEST(ProgramIcon, LoadingThePicturesLeavesTheMimeDatabaseClosed)
{
    TestApp();
    for (int id = IDB_UPDATE_PICTURE; id <= IDB_SORT_DOWN; ++id) (void)LoadBitmap(id);
    const QIcon icon = LoadProgramIcon();
    for (const QSize& size : icon.availableSizes()) ASSERT_FALSE(icon.pixmap(size).isNull());
    QFile maps(QStringLiteral("/proc/self/maps"));
    ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
    EXPECT_FALSE(maps.readAll().contains("mime.cache"));
}

}  // namespace
