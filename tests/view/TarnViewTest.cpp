// Start-up of the view from the preference file, and what it leaves in the store when destroyed.
#include "ViewTestSupport.h"

namespace {

using TarnViewState = ViewTest;

TEST_F(TarnViewState, FillsOneRowPerEntryWithItsTextsAndStoredNote)
{
    UseSort(1, false, "NoteNum=2\nNote0=4::soft vocals\nNote1=300::no such entry\n");
    StartView();
    const CDataController& data = m_doc.DataController();
    ASSERT_EQ(data.EntryCount(), 59);
    ASSERT_EQ(List().GetItemCount(), 59);
    // Sorted by "No." ascending, the rows stand in table order.
    for (std::uint16_t i = 0; i < data.EntryCount(); ++i) {
        const DataEntry* e = data.EntryAt(i);
        EXPECT_EQ(Cell(i, 0), QString());
        EXPECT_EQ(Cell(i, 1), QString::number(e->key));
        EXPECT_EQ(Cell(i, 2), QString::fromUtf8(e->name));
        EXPECT_EQ(Cell(i, 3), QString::fromUtf8(e->author));
        EXPECT_EQ(Cell(i, 4), QString::fromUtf8(e->description));
        EXPECT_EQ(List().GetItemData(i), i);
    }
    EXPECT_EQ(Cell(4, 5), QStringLiteral("soft vocals"));
    EXPECT_EQ(data.Notes().size(), 1u) << "only notes that were found enter the notes table";
    EXPECT_EQ(data.Notes().at(4), "soft vocals");
    EXPECT_EQ(List().GetSelectedItem(), 0);
    EXPECT_EQ(List().GetColumnWidth(0), 0);
}

TEST_F(TarnViewState, StartsInTheStoredOrderWithItsFirstRowSelected)
{
    UseSort(1, true);
    StartView();
    EXPECT_EQ(Cell(0, 1), QStringLiteral("58"));
    EXPECT_EQ(Cell(58, 1), QStringLiteral("0"));
    EXPECT_EQ(List().GetSelectedItem(), 0);
    EXPECT_EQ(List().Header().GetItemFormat(1), HDF_RIGHT | HDF_SORTDOWN);
    ClickHeader(1);
    EXPECT_EQ(Cell(0, 1), QStringLiteral("0")) << "the next click on No. sorts ascending";
    EXPECT_EQ(Cell(List().GetSelectedItem(), 1), QStringLiteral("58")) << "the selection stays on its row";
}

TEST_F(TarnViewState, DestroyedViewLeavesWidthsEveryNoteAndTheSortOnScreen)
{
    UseSort(1, false, "NoteNum=2\nNote0=7::keep me\nNote1=300::no such entry\n");
    StartView();
    List().SetColumnWidth(2, 140);
    List().SetColumnWidth(5, 222);
    *m_doc.DataController().NoteFor(9) = "typed today";
    ClickHeader(3);
    ClickHeader(3);  // Author, descending
    m_view.reset();

    std::uint16_t column = 0;
    bool descending = false;
    ASSERT_EQ(m_pStore->GetSort(column, descending), RC_OK);
    EXPECT_EQ(column, 3);
    EXPECT_TRUE(descending);
    std::uint16_t widths[5] = {};
    ASSERT_EQ(m_pStore->GetNoWidth(widths[0]), RC_OK);
    ASSERT_EQ(m_pStore->GetNameWidth(widths[1]), RC_OK);
    ASSERT_EQ(m_pStore->GetAuthorWidth(widths[2]), RC_OK);
    ASSERT_EQ(m_pStore->GetDescriptionWidth(widths[3]), RC_OK);
    ASSERT_EQ(m_pStore->GetNoteWidth(widths[4]), RC_OK);
    EXPECT_EQ(widths[0], 60);
    EXPECT_EQ(widths[1], 140);
    EXPECT_EQ(widths[2], 180);
    EXPECT_EQ(widths[3], 190);
    EXPECT_EQ(widths[4], 222);

    // One note per entry in table order, empty ones included; the note of a key not in the set is gone.
    const auto& notes = m_pStore->Notes();
    ASSERT_EQ(notes.size(), 59u);
    for (std::uint16_t i = 0; i < 59; ++i) EXPECT_EQ(notes[i].nKey, m_doc.DataController().EntryAt(i)->key);
    EXPECT_EQ(notes[7].strText, "keep me");
    EXPECT_EQ(notes[9].strText, "typed today");
    EXPECT_EQ(notes[10].strText, "");
    std::string text;
    EXPECT_EQ(m_pStore->GetNote(300, text), RC_NO_SUCH_KEY);
}

TEST_F(TarnViewState, ViewThatNeverStartedLeavesTheStoreAlone)
{
    UseSort(2, true, "NoteNum=1\nNote0=7::keep me\n");
    m_view = std::make_unique<CTarnView>(m_doc);
    m_view.reset();
    std::string text;
    EXPECT_EQ(m_pStore->GetNote(7, text), RC_OK);
    EXPECT_EQ(text, "keep me");
    std::uint16_t width = 0;
    ASSERT_EQ(m_pStore->GetNameWidth(width), RC_OK);
    EXPECT_EQ(width, 125);
}

}  // namespace
