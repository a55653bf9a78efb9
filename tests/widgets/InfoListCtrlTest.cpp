// Behaviour of the information list: the current-data marker, keeping a row selected, text widths,
// the fits-default flags and sorting through the owner's compare function.
#include "WidgetTestSupport.h"

#include <QMouseEvent>

namespace {

using InfoList = FilledListTest;

int MarkedRow(const CInfoListCtrl& list)
{
    std::int16_t row = 99;
    EXPECT_EQ(list.FindCurrentDataMark(row), RC_OK);
    return row;
}

TEST_F(InfoList, MarkerFollowsTheSelection)
{
    list->SelectItem(5);
    EXPECT_EQ(list->SetCurrentDataMark(3), RC_OK);
    EXPECT_EQ(MarkedRow(*list), 3);
    EXPECT_EQ(list->GetItemImage(3, kNoColumn), 0);
    for (int i = 0; i < list->GetItemCount(); ++i) {
        if (i == 3) continue;
        EXPECT_EQ(list->GetItemImage(i, kNoColumn), -1) << i;
    }

    list->SelectItem(3);
    EXPECT_EQ(list->GetItemImage(3, kNoColumn), 1);
    list->SelectItem(7);
    EXPECT_EQ(list->GetItemImage(3, kNoColumn), 0);
    list->SelectItem(3);
    // Removing the selection alone leaves the marker's look as it is.
    list->clearSelection();
    EXPECT_EQ(list->GetItemImage(3, kNoColumn), 1);
}

TEST_F(InfoList, MarkingTheSelectedRowShowsTheSelectedLook)
{
    list->SelectItem(10);
    list->SetCurrentDataMark(10);
    EXPECT_EQ(list->GetItemImage(10, kNoColumn), 1);
    // Moving the mark clears the old row.
    list->SetCurrentDataMark(11);
    EXPECT_EQ(list->GetItemImage(10, kNoColumn), -1);
    EXPECT_EQ(list->GetItemImage(11, kNoColumn), 0);
}

TEST_F(InfoList, ClearingTheMarkLeavesNoRowMarked)
{
    list->SetCurrentDataMark(4);
    list->SetCurrentDataMark(-1);
    EXPECT_EQ(MarkedRow(*list), -1);
    // A row number the view could not find (0xFFFF) is no row as well.
    list->SetCurrentDataMark(static_cast<std::int16_t>(0xFFFF));
    EXPECT_EQ(MarkedRow(*list), -1);
}

TEST_F(InfoList, LeftPressBelowTheRowsKeepsTheSelection)
{
    auto* vp = list->viewport();
    QTest::mouseClick(vp, Qt::LeftButton, {}, CellRect(2, 2).center());
    EXPECT_EQ(list->GetSelectedItem(), 2);
    list->scrollToBottom();
    QApplication::processEvents();
    const QPoint below(200, vp->height() - 2);
    ASSERT_EQ(list->HitTest(below), -1) << "the list must end above its bottom edge";
    QTest::mouseClick(vp, Qt::LeftButton, {}, below);
    EXPECT_EQ(list->GetSelectedItem(), 2);
    // The press alone keeps it as well.
    QTest::mousePress(vp, Qt::LeftButton, {}, below);
    EXPECT_EQ(list->GetSelectedItem(), 2);
    QTest::mouseRelease(vp, Qt::LeftButton, {}, below);
    EXPECT_EQ(list->GetSelectedItem(), 2);
    // Control-click on the selected row would clear it; the row stays selected.
    list->scrollToTop();
    QApplication::processEvents();
    QTest::mouseClick(vp, Qt::LeftButton, Qt::ControlModifier, CellRect(2, 2).center());
    EXPECT_EQ(list->GetSelectedItem(), 2);
}

TEST_F(InfoList, RightPressOnEmptySpaceReselectsTheCurrentRow)
{
    auto* vp = list->viewport();
    QTest::mouseClick(vp, Qt::LeftButton, {}, CellRect(4, 3).center());
    QTest::mouseClick(vp, Qt::RightButton, {}, CellRect(6, 3).center());
    EXPECT_EQ(list->GetSelectedItem(), 6);
    list->clearSelection();
    list->scrollToBottom();
    QApplication::processEvents();
    QTest::mouseClick(vp, Qt::RightButton, {}, QPoint(200, vp->height() - 2));
    EXPECT_EQ(list->GetSelectedItem(), 6);
}

TEST_F(InfoList, SortingUsesItemDataAndKeepsTheSelectedRow)
{
    list->SelectItem(12);
    const QString selectedName = list->GetItemText(12, 2);
    // Descending by the number in the "No." column, read through the row positions as they stood.
    for (int i = 0; i < list->GetItemCount(); ++i) list->SetItemData(i, i);
    list->SortItems([this](qintptr a, qintptr b) {
        return list->GetItemText(static_cast<int>(b), 1).toInt() - list->GetItemText(static_cast<int>(a), 1).toInt();
    });
    EXPECT_EQ(list->GetItemText(0, 1), QStringLiteral("58"));
    EXPECT_EQ(list->GetItemText(58, 1), QStringLiteral("0"));
    EXPECT_EQ(list->GetItemText(list->GetSelectedItem(), 2), selectedName);
    EXPECT_EQ(list->GetSelectedItem(), 46);
    // A right press on empty space now returns to the row where the selection went.
    list->scrollToBottom();
    QApplication::processEvents();
    list->clearSelection();
    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, QPoint(200, list->viewport()->height() - 2));
    EXPECT_EQ(list->GetItemText(list->GetSelectedItem(), 2), selectedName);
}

TEST_F(InfoList, SortKeepsTheMarkerOnItsEntry)
{
    list->SetCurrentDataMark(20);
    for (int i = 0; i < list->GetItemCount(); ++i) list->SetItemData(i, i);
    list->SortItems([](qintptr a, qintptr b) { return static_cast<int>(b - a); });
    EXPECT_EQ(MarkedRow(*list), 38);
    EXPECT_EQ(list->GetItemText(38, 1), QStringLiteral("20"));
}

TEST_F(InfoList, ColumnTextWidthIsTheWidestCell)
{
    const QFontMetrics metrics(list->font());
    int widest = 0;
    for (int i = 0; i < list->GetItemCount(); ++i)
        widest = std::max(widest, metrics.horizontalAdvance(list->GetItemText(i, 4)));
    EXPECT_EQ(list->GetColumnTextWidth(4), widest);
    EXPECT_GT(widest, 0);
    EXPECT_EQ(list->GetColumnTextWidth(0), 0);
}

TEST_F(InfoList, FitsDefaultFlagsCompareWithDefaultWidthLessTwelve)
{
    EXPECT_EQ(list->InitNoteEditor(), RC_OK);
    const auto& fits = list->Header().m_bFitsDefault;
    EXPECT_FALSE(fits[0]);
    EXPECT_TRUE(fits[1]);   // "0" to "58" are far below 33 pixels
    EXPECT_FALSE(fits[2]);  // "Preset 00" is wider than 33
    EXPECT_FALSE(fits[4]);
    EXPECT_TRUE(fits[5]);   // "keep" is below 43
    for (int c = 1; c < kColumnCount; ++c) {
        const bool expected =
            list->GetColumnTextWidth(static_cast<std::uint16_t>(c)) < kDefaultColumnWidths[static_cast<size_t>(c)] - 12;
        EXPECT_EQ(fits[static_cast<size_t>(c)], expected) << c;
    }
}

class EmptyList : public FilledListTest {
    int RowCount() const override { return 0; }
};

TEST_F(EmptyList, EveryColumnFitsItsDefault)
{
    for (int c = 0; c < kColumnCount; ++c) EXPECT_EQ(list->GetColumnTextWidth(static_cast<std::uint16_t>(c)), 0);
    list->InitNoteEditor();
    for (int c = 1; c < kColumnCount; ++c) EXPECT_TRUE(list->Header().m_bFitsDefault[static_cast<size_t>(c)]) << c;
    std::int16_t marked = 5;
    list->FindCurrentDataMark(marked);
    EXPECT_EQ(marked, -1);
    EXPECT_EQ(list->SetCurrentDataMark(0), RC_OK);
    // Painting without rows and without a selection finishes and draws the grid.
    const QImage image = Grab();
    EXPECT_TRUE(IsColour(ClientPixel(image, 100, list->RowHeight() - 1), 31, 31, 31));
}

}  // namespace
