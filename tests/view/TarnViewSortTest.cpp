// Sorting by column title clicks: direction, header marks, numbers, empty cells, letter folding.
#include "ViewTestSupport.h"

#include <algorithm>

namespace {

class TarnViewSort : public ViewTest {
protected:
    void SetUp() override
    {
        ViewTest::SetUp();
        UseSort(1, false, "NoteNum=3\nNote0=3::beta\nNote1=20::Alpha\nNote2=41::gamma\n");
        StartView();
    }

    // ASCII texts in order of their lower-case forms.
    static bool InFoldedOrder(const QStringList& texts, bool descending)
    {
        QStringList folded;
        for (const QString& t : texts) folded << t.toLower();
        return descending ? std::is_sorted(folded.rbegin(), folded.rend()) : std::is_sorted(folded.begin(), folded.end());
    }
    std::vector<int> SortFlags()
    {
        std::vector<int> flags;
        for (int c = 0; c < kColumnCount; ++c)
            flags.push_back(List().Header().GetItemFormat(c) & (HDF_SORTUP | HDF_SORTDOWN));
        return flags;
    }
};

TEST_F(TarnViewSort, NameAscendingThenDescendingThenAuthorAscending)
{
    ClickHeader(2);
    EXPECT_TRUE(InFoldedOrder(Column(2), false));
    EXPECT_EQ(SortFlags(), (std::vector<int>{0, 0, HDF_SORTUP, 0, 0, 0}));
    ClickHeader(2);
    EXPECT_TRUE(InFoldedOrder(Column(2), true));
    EXPECT_EQ(SortFlags(), (std::vector<int>{0, 0, HDF_SORTDOWN, 0, 0, 0}));
    ClickHeader(3);
    EXPECT_TRUE(InFoldedOrder(Column(3), false));
    EXPECT_EQ(SortFlags(), (std::vector<int>{0, 0, 0, HDF_SORTUP, 0, 0})) << "only the last clicked column is marked";
    EXPECT_EQ(List().Header().m_nSortColumn, 3);
    EXPECT_EQ(m_view->SortColumn(), 3);
    EXPECT_TRUE(m_view->NextDescending());
}

TEST_F(TarnViewSort, NumbersSortAsNumbers)
{
    ClickHeader(1);  // stored ascending: this click sorts descending
    ClickHeader(1);
    const QStringList keys = Column(1);
    EXPECT_LT(keys.indexOf(QStringLiteral("9")), keys.indexOf(QStringLiteral("10")));
    for (int row = 0; row < 59; ++row) EXPECT_EQ(keys[row], QString::number(row));
}

TEST_F(TarnViewSort, EmptyNotesGoLastInBothDirections)
{
    const QStringList withNotes{QStringLiteral("Alpha"), QStringLiteral("beta"), QStringLiteral("gamma")};
    ClickHeader(5);
    EXPECT_EQ(Column(5).mid(0, 3), withNotes);
    ClickHeader(5);
    EXPECT_EQ(Column(5).mid(0, 3), (QStringList{withNotes[2], withNotes[1], withNotes[0]}));
    EXPECT_EQ(Column(5).mid(3).count(QString()), 56);
}

TEST_F(TarnViewSort, OnlyLettersAToZAreFolded)
{
    const CTarnView::SortParam ascending{5, false};
    auto compare = [&](const char* a, const char* b) {
        List().SetItemText(0, 5, QString::fromUtf8(a));
        List().SetItemText(1, 5, QString::fromUtf8(b));
        return m_view->CompareRows(0, 1, ascending);
    };
    EXPECT_EQ(compare("Mix", "mIX"), 0);
    EXPECT_LT(compare("apple", "Zebra"), 0);
    EXPECT_LT(compare("Ä", "ä"), 0) << "not folded: U+00C4 before U+00E4";
    EXPECT_GT(compare("ä", "B"), 0) << "U+00E4 after every ASCII letter";
    EXPECT_LT(compare("take", "take 2"), 0);
    EXPECT_GT(compare("", "a"), 0);
    EXPECT_GT(m_view->CompareRows(0, 1, {5, true}), 0) << "empty stays last descending";
}

TEST_F(TarnViewSort, ColumnZeroClickOnlyEndsTheEditHistory)
{
    ClickHeader(2);
    const QStringList before = Column(2);
    const std::vector<int> flags = SortFlags();
    ASSERT_EQ(m_doc.DataController().RecordEditState(0, "abc"), RC_OK);
    ASSERT_TRUE(m_doc.DataController().HasUndoPoint());
    m_view->OnColumnClick(0);
    EXPECT_FALSE(m_doc.DataController().HasUndoPoint());
    EXPECT_EQ(Column(2), before);
    EXPECT_EQ(SortFlags(), flags);
    EXPECT_EQ(m_view->SortColumn(), 2);
}

}  // namespace
