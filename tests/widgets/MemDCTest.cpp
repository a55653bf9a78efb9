#include "WidgetTestSupport.h"

#include "widgets/MemDC.h"

namespace {

// Drawing goes to the window's own coordinates, and only the surface's rectangle reaches the target.
TEST(MemDC, CopiesItsRectangleInWindowCoordinates)
{
    TestApp();
    QImage target(40, 30, QImage::Format_RGB32);
    target.fill(Qt::white);
    {
        QPainter screen(&target);
        CMemDC dc(&screen, QRect(10, 5, 20, 10));
        dc->fillRect(QRect(0, 0, 40, 30), Qt::blue);
        dc->fillRect(QRect(12, 6, 1, 1), Qt::red);
    }
    EXPECT_TRUE(IsColour(target.pixelColor(12, 6), 255, 0, 0));
    EXPECT_TRUE(IsColour(target.pixelColor(10, 5), 0, 0, 255));
    EXPECT_TRUE(IsColour(target.pixelColor(29, 14), 0, 0, 255));
    EXPECT_TRUE(IsColour(target.pixelColor(9, 5), 255, 255, 255));
    EXPECT_TRUE(IsColour(target.pixelColor(30, 14), 255, 255, 255));
    EXPECT_TRUE(IsColour(target.pixelColor(12, 15), 255, 255, 255));
}

TEST(MemDC, ReleaseCopiesOnce)
{
    TestApp();
    QImage target(8, 8, QImage::Format_RGB32);
    target.fill(Qt::white);
    QPainter screen(&target);
    {
        CMemDC dc(&screen, QRect(0, 0, 4, 4));
        dc->fillRect(QRect(0, 0, 4, 4), Qt::green);
        dc.Release();
        screen.fillRect(QRect(0, 0, 4, 4), Qt::red);
    }
    screen.end();
    EXPECT_TRUE(IsColour(target.pixelColor(1, 1), 255, 0, 0));
}

}  // namespace
