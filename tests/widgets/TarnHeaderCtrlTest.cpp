// The header bar: strips, the pressed column, the sort triangle's place, divider double-clicks and the
// divider limits of the list. Header points are the header's own coordinates.
#include "WidgetTestSupport.h"

#include "widgets/CellFont.h"

#include <QMouseEvent>

namespace {

class Header : public FilledListTest {
protected:
    CTarnHeaderCtrl& H() { return list->Header(); }
    int Left(int c) { return H().sectionViewportPosition(c); }
    int Right(int c) { return Left(c) + H().sectionSize(c); }  // exclusive
    QColor HeaderPixel(const QImage& image, int x, int y) { return PixelAt(image, MapHeader({x, y})); }
    bool IsWhite(const QImage& image, int x, int y) { return IsColour(HeaderPixel(image, x, y), 255, 255, 255); }

    void Sort(int column, int flag)
    {
        H().m_nSortColumn = static_cast<std::int16_t>(column);
        H().SetItemFormat(column, (H().GetItemFormat(column) & HDF_JUSTIFYMASK) | flag);
        QApplication::processEvents();
    }

    void Send(QEvent::Type type, int x, Qt::MouseButtons buttons, Qt::MouseButton button = Qt::LeftButton)
    {
        const QPointF local(x, 10);
        QMouseEvent event(type, local, H().viewport()->mapToGlobal(local), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(H().viewport(), &event);
    }
    // A divider drag from x to each of the points, then the release.
    void Drag(int from, std::initializer_list<int> to)
    {
        Send(QEvent::MouseMove, from, Qt::NoButton, Qt::NoButton);
        Send(QEvent::MouseButtonPress, from, Qt::LeftButton);
        for (int x : to) Send(QEvent::MouseMove, x, Qt::LeftButton, Qt::NoButton);
        Send(QEvent::MouseButtonRelease, to.size() ? *(to.end() - 1) : from, Qt::NoButton);
    }
    void DoubleClickDivider(int x)
    {
        Send(QEvent::MouseMove, x, Qt::NoButton, Qt::NoButton);
        Send(QEvent::MouseButtonPress, x, Qt::LeftButton);
        Send(QEvent::MouseButtonRelease, x, Qt::NoButton);
        Send(QEvent::MouseButtonDblClick, x, Qt::LeftButton);
        Send(QEvent::MouseButtonRelease, x, Qt::NoButton);
    }
};

TEST_F(Header, BarIsTwentyTwoPixelsOfStrips)
{
    EXPECT_EQ(H().height(), CTarnHeaderCtrl::kBarHeight);
    const QImage image = Grab();
    const int x = Left(3) + 20;
    EXPECT_TRUE(IsColour(HeaderPixel(image, x, 0), 28, 28, 28));
    EXPECT_TRUE(IsColour(HeaderPixel(image, x, 1), 97, 97, 97));
    EXPECT_TRUE(IsColour(HeaderPixel(image, x, 21), 61, 61, 61));
    // Right of the last column the bar continues.
    EXPECT_TRUE(IsColour(HeaderPixel(image, Right(5) + 30, 1), 97, 97, 97));
    // Each item's divider on its last pixel column.
    for (int c = 1; c < kColumnCount; ++c) {
        EXPECT_TRUE(IsColour(HeaderPixel(image, Right(c) - 1, 1), 120, 120, 120)) << c;
        EXPECT_TRUE(IsColour(HeaderPixel(image, Right(c) - 1, 21), 91, 91, 91)) << c;
    }
    // No sort column: no tinted background, no triangle.
    EXPECT_TRUE(IsColour(HeaderPixel(image, Right(2) - 12, 1), 97, 97, 97));
    EXPECT_FALSE(IsWhite(image, Right(2) - 12, 12));
}

TEST_F(Header, SortColumnIsTinted)
{
    Sort(3, HDF_SORTUP);
    const QImage image = Grab();
    EXPECT_TRUE(IsColour(HeaderPixel(image, Left(3) + 2, 1), 97, 104, 114));
    EXPECT_TRUE(IsColour(HeaderPixel(image, Left(3) + 2, 12), 28, 38, 53));
    EXPECT_TRUE(IsColour(HeaderPixel(image, Left(2) + 2, 1), 97, 97, 97));
}

TEST_F(Header, PressedColumnUntilRelease)
{
    const int x = Left(3) + 30;
    Send(QEvent::MouseMove, x, Qt::NoButton, Qt::NoButton);
    Send(QEvent::MouseButtonPress, x, Qt::LeftButton);
    EXPECT_TRUE(H().m_bPressed);
    EXPECT_EQ(H().m_nPressedColumn, 3);
    QImage image = Grab();
    EXPECT_TRUE(IsColour(HeaderPixel(image, x, 1), 120, 120, 120));
    EXPECT_TRUE(IsColour(HeaderPixel(image, x, 0), 28, 28, 28));
    Send(QEvent::MouseButtonRelease, x, Qt::NoButton);
    EXPECT_FALSE(H().m_bPressed);
    EXPECT_EQ(H().m_nPressedColumn, -1);
    image = Grab();
    EXPECT_TRUE(IsColour(HeaderPixel(image, x, 1), 97, 97, 97));
}

TEST_F(Header, TriangleAfterAFittingLeftAlignedTitle)
{
    Sort(2, HDF_SORTUP);
    const int w = QFontMetrics(CreateTitleFont()).horizontalAdvance(QStringLiteral("Name"));
    const int x = Left(2) + 6 + w + 8;
    const QImage image = Grab();
    EXPECT_TRUE(IsWhite(image, x + 4, 8));
    EXPECT_FALSE(IsWhite(image, x + 3, 8));
    EXPECT_FALSE(IsWhite(image, x + 5, 8));
    for (int i = 0; i < 9; ++i) EXPECT_TRUE(IsWhite(image, x + i, 12)) << i;
    EXPECT_FALSE(IsWhite(image, x - 1, 12));
    EXPECT_FALSE(IsWhite(image, x + 9, 12));
    EXPECT_FALSE(IsWhite(image, x + 4, 13));
}

TEST_F(Header, TriangleOfALeftAlignedTitleThatDoesNotFit)
{
    list->SetColumnWidth(4, 60);
    Sort(4, HDF_SORTDOWN);
    const QImage image = Grab();
    const int x = Right(4) - 11;
    for (int i = 0; i < 9; ++i) EXPECT_TRUE(IsWhite(image, x + i, 8)) << i;
    EXPECT_TRUE(IsWhite(image, x + 4, 12));
    EXPECT_FALSE(IsWhite(image, x + 3, 12));
    EXPECT_FALSE(IsWhite(image, x - 1, 8));
    // The title is cut 17 pixels before the usual end: nothing white between it and the triangle.
    for (int px = Right(4) - 18; px < x; ++px)
        for (int y = 2; y < 20; ++y) EXPECT_FALSE(IsWhite(image, px, y)) << px << "," << y;
    // ...but the cut title shows.
    bool titleShows = false;
    for (int px = Left(4) + 6; px < Left(4) + 20; ++px)
        for (int y = 4; y < 18; ++y) titleShows = titleShows || HeaderPixel(image, px, y).lightness() > 200;
    EXPECT_TRUE(titleShows);
}

TEST_F(Header, TriangleOfTheRightAlignedNoColumn)
{
    Sort(1, HDF_SORTUP);
    const QImage image = Grab();
    const int x = Right(1) - 13;
    EXPECT_TRUE(IsWhite(image, x + 4, 8));
    for (int i = 0; i < 9; ++i) EXPECT_TRUE(IsWhite(image, x + i, 12)) << i;
    EXPECT_FALSE(IsWhite(image, x + 9, 12));
    // The title ends 23 pixels left of the item's right edge.
    for (int px = Right(1) - 22; px < x; ++px)
        for (int y = 2; y < 20; ++y) EXPECT_FALSE(IsWhite(image, px, y)) << px << "," << y;
}

TEST_F(Header, NarrowLeftAlignedSortColumnShowsPartOfTheTriangle)
{
    list->SetColumnWidth(3, 12);
    Sort(3, HDF_SORTUP);
    QImage image = Grab();
    // Its width minus 8 columns of the triangle: 4, from one pixel right of the item's left edge.
    const int x = Left(3) + 1;
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(IsWhite(image, x + i, 12)) << i;
    EXPECT_FALSE(IsWhite(image, x + 4, 12));

    list->SetColumnWidth(3, 8);
    QApplication::processEvents();
    image = Grab();
    for (int px = Left(3); px < Right(3); ++px) EXPECT_FALSE(IsWhite(image, px, 12)) << px;
}

TEST_F(Header, DividerDoubleClickRestoresTheDefaultWidthWhenContentsFit)
{
    list->InitNoteEditor();
    ASSERT_TRUE(H().m_bFitsDefault[1]);
    list->SetColumnWidth(2, 200);  // moves the later dividers away from column 1's
    list->SetColumnWidth(1, 80);
    QApplication::processEvents();
    DoubleClickDivider(Right(1) - 1);
    EXPECT_EQ(list->GetColumnWidth(1), 45);
    // Another column's flag set by hand: exactly its default width.
    H().m_bFitsDefault[3] = true;
    DoubleClickDivider(Right(3) + 3);
    EXPECT_EQ(list->GetColumnWidth(3), 65);
}

TEST_F(Header, DividerDoubleClickFitsWiderContents)
{
    list->InitNoteEditor();
    ASSERT_FALSE(H().m_bFitsDefault[4]);
    list->SetColumnWidth(4, 70);
    QApplication::processEvents();
    DoubleClickDivider(Right(4) - 1);
    EXPECT_GE(list->GetColumnWidth(4), list->GetColumnTextWidth(4));
    EXPECT_NE(list->GetColumnWidth(4), 90);
}

TEST_F(Header, DoubleClickAwayFromDividersOrOnColumnZeroChangesNothing)
{
    list->InitNoteEditor();
    std::vector<int> before;
    for (int c = 0; c < kColumnCount; ++c) before.push_back(list->GetColumnWidth(c));
    DoubleClickDivider(0);
    DoubleClickDivider(Left(2) + 40);
    for (int c = 0; c < kColumnCount; ++c) EXPECT_EQ(list->GetColumnWidth(c), before[static_cast<size_t>(c)]) << c;
}

TEST_F(Header, NoColumnCannotBeDraggedBelow37)
{
    const int divider = Right(1) - 1;
    Drag(divider, {divider + 10, divider - 30, divider - 5});
    EXPECT_GE(list->GetColumnWidth(1), 37);
    EXPECT_EQ(list->GetColumnWidth(1), 40);  // the last accepted step
    const int left = Left(1);
    Drag(Right(1) - 1, {left + 36});
    EXPECT_GE(list->GetColumnWidth(1), 37);
    Drag(Right(1) - 1, {left + 37});
    EXPECT_EQ(list->GetColumnWidth(1), 38);
}

TEST_F(Header, NarrowNoColumnRefusesADragAtItsStart)
{
    list->SetColumnWidth(1, 30);
    QApplication::processEvents();
    const int divider = Right(1) - 1;
    Drag(divider, {divider + 20, divider + 40});
    EXPECT_EQ(list->GetColumnWidth(1), 30);
}

TEST_F(Header, OtherColumnsResizeFreelyAndColumnZeroNever)
{
    const int divider = Right(3) - 1;
    Drag(divider, {divider - 60});
    EXPECT_EQ(list->GetColumnWidth(3), 30);
    Drag(0, {25});
    EXPECT_EQ(list->GetColumnWidth(0), 0);
}

}  // namespace
