// Pixels of the painted list: the grid, the selection marks and the current-data marker, read from
// grab(). Client points are the list's viewport coordinates; rows are 21 pixels (the marker's height).
#include "WidgetTestSupport.h"

namespace {

class ListPaint : public FilledListTest {
protected:
    // Right edges of the columns, exclusive: 0, 45, 155, 245, 405, 525 for the widths of the fixture.
    int ColumnEnd(int c) const
    {
        int x = 0;
        for (int i = 0; i <= c; ++i) x += list->GetColumnWidth(i);
        return x - list->horizontalScrollBar()->value();
    }
};

TEST_F(ListPaint, RowLinesOnEachRowsLastPixelRowDownToTheBottom)
{
    const int pitch = list->RowHeight();
    ASSERT_EQ(pitch, 21);
    const QImage image = Grab();
    const int height = list->viewport()->height();
    for (int y = pitch - 1; y < height; y += pitch) {
        EXPECT_TRUE(IsColour(ClientPixel(image, 60, y), 31, 31, 31)) << y;
        EXPECT_TRUE(IsColour(ClientPixel(image, 560, y), 31, 31, 31)) << "right of the last column, " << y;
        EXPECT_FALSE(IsColour(ClientPixel(image, 60, y - 2), 31, 31, 31)) << y;
    }
}

TEST_F(ListPaint, ColumnLinesOnEachColumnsLastPixelColumn)
{
    const QImage image = Grab();
    const int y = list->RowHeight() * 2 + 3;
    for (int c = 1; c < kColumnCount; ++c) {
        EXPECT_TRUE(IsColour(ClientPixel(image, ColumnEnd(c) - 1, y), 51, 51, 51)) << c;
        EXPECT_TRUE(IsColour(ClientPixel(image, ColumnEnd(c) - 2, y), 0, 0, 0)) << c;
    }
    // Also where no row is left.
    list->scrollToBottom();
    QApplication::processEvents();
    const QImage bottom = Grab();
    EXPECT_TRUE(IsColour(ClientPixel(bottom, ColumnEnd(2) - 1, list->viewport()->height() - 1), 51, 51, 51));
}

TEST_F(ListPaint, ColumnLinesFollowHorizontalScrolling)
{
    highlightSelection = false;
    list->SetColumnWidth(4, 400);
    list->SelectItem(1);
    QApplication::processEvents();
    list->horizontalScrollBar()->setValue(30);
    QApplication::processEvents();
    ASSERT_EQ(list->horizontalScrollBar()->value(), 30);
    const QImage image = Grab();
    const int mid = list->RowHeight() + 10;
    EXPECT_TRUE(IsColour(ClientPixel(image, 45 - 30 - 1, mid), 51, 51, 51));
    EXPECT_TRUE(IsColour(ClientPixel(image, 155 - 30 - 1, 3), 51, 51, 51));
    // The strip at the selected row's left end is not drawn while scrolled; the top edge still is.
    EXPECT_TRUE(IsColour(ClientPixel(image, 0, mid), 0, 0, 0));
    EXPECT_TRUE(IsColour(ClientPixel(image, 60, list->RowHeight()), 23, 54, 100));
}

TEST_F(ListPaint, SelectedRowEdgesAndLeftStrip)
{
    highlightSelection = false;  // black cells, so that the marks stand out
    list->SelectItem(3);
    QApplication::processEvents();
    const QImage image = Grab();
    const int top = 3 * list->RowHeight();
    // Top edge across the whole row, in the selection colour; the row below it black.
    for (int x : {1, 30, 60, 300, 500, 523}) EXPECT_TRUE(IsColour(ClientPixel(image, x, top), 23, 54, 100)) << x;
    EXPECT_TRUE(IsColour(ClientPixel(image, 30, top + 1), 0, 0, 0));
    // The row before has no top edge.
    EXPECT_TRUE(IsColour(ClientPixel(image, 30, top - list->RowHeight()), 0, 0, 0));
    // Pixel column 0 of the selected row is the strip; of other rows it is black.
    EXPECT_TRUE(IsColour(ClientPixel(image, 0, top + 10), 23, 54, 100));
    EXPECT_TRUE(IsColour(ClientPixel(image, 0, top + 10 + list->RowHeight()), 0, 0, 0));
    // The right edge lies on the row's last pixel column, which the last column line covers; nothing
    // of the row shows right of it.
    EXPECT_TRUE(IsColour(ClientPixel(image, ColumnEnd(5) - 1, top + 10), 51, 51, 51));
    EXPECT_TRUE(IsColour(ClientPixel(image, ColumnEnd(5), top + 10), 0, 0, 0));
    EXPECT_TRUE(IsColour(ClientPixel(image, ColumnEnd(5), top), 0, 0, 0));
}

TEST_F(ListPaint, SelectedRowInTheSelectionColour)
{
    list->SelectItem(2);
    QApplication::processEvents();
    const QImage image = Grab();
    const int y = 2 * list->RowHeight() + 2;
    EXPECT_TRUE(IsColour(ClientPixel(image, 30, y), 23, 54, 100));
    EXPECT_TRUE(IsColour(ClientPixel(image, 30, y + list->RowHeight()), 0, 0, 0));
}

TEST_F(ListPaint, MarkerOnTheMarkedRowAndItsSelectedLook)
{
    highlightSelection = false;
    list->SelectItem(0);
    list->SetCurrentDataMark(2);
    QApplication::processEvents();
    QRect icon;
    ASSERT_TRUE(list->GetSubItemRect(2, kNoColumn, LVIR_ICON, icon));
    ASSERT_EQ(icon.width(), 17);
    const int imageTop = icon.top() + (icon.height() - 21) / 2;
    const QPoint ring(icon.left() + 12, imageTop + 10);   // inside the ring
    const QPoint corner(icon.left(), imageTop + 1);        // the image's ground

    QImage image = Grab();
    EXPECT_TRUE(IsColour(ClientPixel(image, ring.x(), ring.y()), 204, 0, 255));
    EXPECT_TRUE(IsColour(ClientPixel(image, corner.x(), corner.y()), 0, 0, 0));
    // No marker on the rows around it.
    EXPECT_TRUE(IsColour(ClientPixel(image, ring.x(), ring.y() + list->RowHeight()), 0, 0, 0));

    list->SelectItem(2);
    QApplication::processEvents();
    image = Grab();
    EXPECT_TRUE(IsColour(ClientPixel(image, ring.x(), ring.y()), 204, 0, 255));
    EXPECT_TRUE(IsColour(ClientPixel(image, corner.x(), corner.y()), 23, 54, 100));
    // The marked, selected row: a 3-pixel strip right of the marker and the line at the row icon's
    // right edge (pixel column 0, as column 0 has no width).
    const int mid = icon.top() + 10;
    for (int x = icon.left() + 17; x < icon.left() + 20; ++x)
        EXPECT_TRUE(IsColour(ClientPixel(image, x, mid), 23, 54, 100)) << x;
    EXPECT_TRUE(IsColour(ClientPixel(image, icon.left() + 20, mid), 0, 0, 0));
    EXPECT_TRUE(IsColour(ClientPixel(image, 0, mid), 23, 54, 100));
}

void SaveScreenshot(CInfoListCtrl& list, const QString& name)
{
    list.SetCurrentDataMark(4);
    list.SelectItem(6);
    list.Header().m_nSortColumn = 2;
    list.Header().SetItemFormat(2, HDF_LEFT | HDF_SORTUP);
    QApplication::processEvents();
    const QString path = ArtefactPath(name);
    EXPECT_TRUE(list.grab().save(path)) << path.toStdString();
}

TEST_F(ListPaint, ScreenshotEnglish) { SaveScreenshot(*list, QStringLiteral("info_list_en.png")); }

TEST_F(ListPaint, ScreenshotJapanese)
{
    SetSystemDefaultLangIDOverride(0x0411);
    list->setFont(QFont(QStringLiteral("MS UI Gothic"), 9));
    list->headerItem()->setText(5, QStringLiteral("メモ"));
    list->SetItemText(4, 5, QStringLiteral("ボーカル用"));
    SaveScreenshot(*list, QStringLiteral("info_list_ja.png"));
}

}  // namespace
