// The view receives the list's WM_NOTE_BEGIN and WM_NOTE_COMMIT as posted messages, so input can be
// handled in between: a column click that re-sorts the rows, a key typed into the freshly opened editor.
// The note must still reach the entry it was typed for, and Undo must return to the note as it opened.
// On the xcb platform, with the editor holding the real keyboard focus.
#include "ViewTestSupport.h"
#include "widgets/ListConstants.h"
#include "widgets/MessageRecorder.h"

namespace {

class NoteMessageOrder : public ViewTest {
protected:
    // Sorted by "No." ascending, so row i shows entry i; entry 2's note is "old".
    void Start()
    {
        UseSort(1, false, "NoteNum=1\nNote0=2::old\n");
        StartView();
        m_view->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_view.get()));
    }
    // Opens the editor on the row; the list's WM_NOTE_BEGIN stays unhandled.
    void OpenWithoutDelivering(int row)
    {
        DoubleClickNoteCell(List(), row);
        ASSERT_TRUE(List().IsNoteEditorOpen());
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_view.get()));
        List().NoteEditor().setFocus(Qt::OtherFocusReason);
    }
    CInPlaceEdit& Editor() { return List().NoteEditor(); }
    std::string Note(std::uint16_t key) { return *m_doc.DataController().NoteFor(key); }
};

TEST_F(NoteMessageOrder, ANoteCommittedJustBeforeAColumnClickKeepsItsEntry)
{
    Start();
    OpenWithoutDelivering(2);
    DeliverPosted();
    QTest::keyClicks(&Editor(), QStringLiteral("kept"));
    // Clicking the list ends the edit by the focus loss; the list writes the cell and posts the commit
    // to the view, and before the view handles it, a click on "Name" re-sorts the rows.
    List().setFocus(Qt::MouseFocusReason);
    QCoreApplication::sendPostedEvents(&List());
    ASSERT_FALSE(List().IsNoteEditorOpen());
    ClickHeader(2);
    ASSERT_NE(List().GetEntryKey(2), 2) << "the click re-sorted the rows";
    DeliverPosted();

    EXPECT_EQ(Note(2), "kept");
    EXPECT_EQ(Note(List().GetEntryKey(2)), "") << "the entry now in the edited row keeps its own note";
}

TEST_F(NoteMessageOrder, AKeyTypedBeforeTheOpeningIsRecordedLeavesUndoTheOpeningNote)
{
    Start();
    OpenWithoutDelivering(2);
    QTest::keyClick(&Editor(), Qt::Key_X);
    DeliverPosted();
    ASSERT_EQ(Editor().text(), QStringLiteral("x"));

    m_view->OnEditUndo();
    DeliverPosted();
    EXPECT_EQ(Editor().text(), QStringLiteral("old"));
}

TEST_F(NoteMessageOrder, NotesCommittedInTheLastPassAreSavedWithTheView)
{
    Start();
    DeliverPosted();
    // Row 2: Enter, and the list has written the cell and posted its commit to the view, which the end
    // of the program leaves undelivered.
    OpenWithoutDelivering(2);
    QTest::keyClicks(&Editor(), QStringLiteral("enter"));
    QTest::keyClick(&Editor(), Qt::Key_Return);
    QCoreApplication::sendPostedEvents(&List());
    ASSERT_FALSE(List().IsNoteEditorOpen());
    // Row 5: a bare commit naming only the row, after the cell was written.
    List().SetItemText(5, kNoteColumn, QStringLiteral("bare"));
    QCoreApplication::postEvent(m_view.get(), new CPrivateMessage(WM_NOTE_COMMIT, 5, 0));

    m_view.reset();
    std::string note;
    EXPECT_EQ(m_pStore->GetNote(2, note), RC_OK);
    EXPECT_EQ(note, "enter");
    EXPECT_EQ(m_pStore->GetNote(5, note), RC_OK);
    EXPECT_EQ(note, "bare");
}

}  // namespace
