// Editing notes in the main view: the one-step Undo that alternates with Redo, Cut and Paste around
// it, and committed notes reaching the notes table and the preference file under their entries.
#include "ViewTestSupport.h"
#include "widgets/MessageRecorder.h"

#include <QClipboard>
#include <QInputMethodEvent>

namespace {

class TarnViewNoteEdit : public ViewTest {
protected:
    // Sorted by "No." ascending, so row i shows entry i; entry 0's note is "abc".
    void Start(const QByteArray& notes = "NoteNum=1\nNote0=0::abc\n")
    {
        UseSort(1, false, notes);
        StartView();
        m_view->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_view.get()));
    }

    void Open(int row)
    {
        QRect cell;
        ASSERT_TRUE(List().GetSubItemRect(row, kNoteColumn, LVIR_BOUNDS, cell));
        QTest::mouseClick(List().viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(List().viewport(), Qt::LeftButton, {}, cell.center());
        DeliverPosted();
        ASSERT_TRUE(List().IsNoteEditorOpen());
    }

    CInPlaceEdit& Editor() { return List().NoteEditor(); }
    void Type(const QString& ascii)
    {
        QTest::keyClicks(&Editor(), ascii);
        DeliverPosted();
    }
    void Key(Qt::Key key)
    {
        QTest::keyClick(&Editor(), key);
        DeliverPosted();
    }
    void Undo()
    {
        m_view->OnEditUndo();
        DeliverPosted();
    }
    // Text, selection start and selection end of the editor.
    std::tuple<QString, int, int> Shown()
    {
        int a = 0;
        int b = 0;
        Editor().GetSel(a, b);
        return {Editor().text(), a, b};
    }
    CDataController& History() { return m_doc.DataController(); }
};

using State = std::tuple<QString, int, int>;

TEST_F(TarnViewNoteEdit, UndoAlternatesBetweenTheOpeningTextAndWhatWasTyped)
{
    Start();
    Open(0);
    EXPECT_EQ(Shown(), State(QStringLiteral("abc"), 0, 3));
    EXPECT_FALSE(m_view->IsUndoAvailable()) << "nothing changed yet";

    Type(QStringLiteral("x"));
    EXPECT_TRUE(m_view->IsUndoAvailable());
    Undo();
    EXPECT_EQ(Shown(), State(QStringLiteral("abc"), 0, 3));
    EXPECT_TRUE(m_view->IsUndoAvailable()) << "as a redo";
    Undo();
    EXPECT_EQ(Shown(), State(QStringLiteral("x"), 1, 1));
    Undo();
    EXPECT_EQ(Shown(), State(QStringLiteral("abc"), 0, 3));
}

TEST_F(TarnViewNoteEdit, AnArrowKeyBeginsANewUndoPoint)
{
    Start();
    Open(0);
    Type(QStringLiteral("x"));
    Key(Qt::Key_Left);
    Type(QStringLiteral("12"));
    EXPECT_EQ(Editor().text(), QStringLiteral("12x"));
    Undo();
    EXPECT_EQ(Shown(), State(QStringLiteral("x"), 0, 0));
}

TEST_F(TarnViewNoteEdit, TypingAfterAnUndoMakesTheNextUndoAnUndoAgain)
{
    Start();
    Open(0);
    Type(QStringLiteral("x"));
    Undo();
    EXPECT_FALSE(m_view->IsUndoMode());
    Key(Qt::Key_End);
    Type(QStringLiteral("y"));
    EXPECT_EQ(Editor().text(), QStringLiteral("abcy"));
    EXPECT_TRUE(m_view->IsUndoMode());
    Undo();
    EXPECT_EQ(Shown(), State(QStringLiteral("abc"), 0, 3)) << "the undo point again, not the redo state x";
}

TEST_F(TarnViewNoteEdit, UndoIsOfferedOnlyWhileAnEditHasChangedSomething)
{
    Start();
    EXPECT_FALSE(m_view->IsUndoAvailable());
    EXPECT_FALSE(m_view->IsNoteEditorVisible());
    Open(0);
    EXPECT_FALSE(m_view->IsUndoAvailable());
    EXPECT_TRUE(m_view->HasNoteSelection());
    Type(QStringLiteral("x"));
    EXPECT_FALSE(m_view->HasNoteSelection());
    Key(Qt::Key_Return);
    EXPECT_FALSE(m_view->IsUndoAvailable());
}

TEST_F(TarnViewNoteEdit, UndoAfterPasteAndTypingRestoresThePastedText)
{
    Start();
    QGuiApplication::clipboard()->setText(QStringLiteral("zz"));
    Open(0);
    m_view->OnEditPaste();
    EXPECT_EQ(Editor().text(), QStringLiteral("zz"));
    Type(QStringLiteral("q"));
    EXPECT_EQ(Editor().text(), QStringLiteral("zzq"));
    Undo();
    EXPECT_EQ(Shown(), State(QStringLiteral("zz"), 2, 2));
}

TEST_F(TarnViewNoteEdit, UndoAfterCutAndTypingRestoresTheTextFromBeforeTheCut)
{
    Start();
    Open(0);
    m_view->OnEditCut();
    EXPECT_EQ(Editor().text(), QString());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("abc"));
    Type(QStringLiteral("q"));
    Undo();
    EXPECT_EQ(Shown(), State(QStringLiteral("abc"), 0, 3));
}

TEST_F(TarnViewNoteEdit, PastedLineBreaksBecomeSpaces)
{
    Start();
    QGuiApplication::clipboard()->setText(QStringLiteral("first line\r\nsecond line\n"));
    Open(0);
    m_view->OnEditPaste();
    Key(Qt::Key_Return);
    EXPECT_EQ(*History().NoteFor(0), "first line second line ");
}

TEST_F(TarnViewNoteEdit, EnterStoresTheNoteUnderTheRowsEntryAndForgetsTheHistory)
{
    Start();
    Open(7);
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("ボーカル用"));
    QCoreApplication::sendEvent(&Editor(), &commit);
    Type(QStringLiteral(" v2"));
    Key(Qt::Key_Return);
    EXPECT_FALSE(List().IsNoteEditorOpen());
    EXPECT_EQ(Cell(7, kNoteColumn), QStringLiteral("ボーカル用 v2"));
    EXPECT_EQ(History().Notes().at(7), "ボーカル用 v2");
    EXPECT_FALSE(History().HasUndoPoint());
    EXPECT_FALSE(History().HasRedoState());
}

TEST_F(TarnViewNoteEdit, EscapeLeavesTheCellAndTheNotesTable)
{
    Start();
    Open(0);
    Type(QStringLiteral("changed"));
    QTest::keyClick(&Editor(), Qt::Key_Escape);
    DeliverPosted();
    EXPECT_FALSE(List().IsNoteEditorOpen());
    EXPECT_EQ(Cell(0, kNoteColumn), QStringLiteral("abc"));
    EXPECT_EQ(History().Notes().at(0), "abc");
    EXPECT_FALSE(History().HasUndoPoint());
}

TEST_F(TarnViewNoteEdit, NotesKeepTheirEntriesThroughSortingUntilTheFile)
{
    Start();
    Open(5);
    Type(QStringLiteral("for five"));
    Key(Qt::Key_Return);
    ClickHeader(2);  // Name: the rows move
    ClickHeader(1);
    ClickHeader(1);  // No. descending: entry 40 on row 18

    ASSERT_EQ(Cell(18, kNoColumn), QStringLiteral("40"));
    Open(18);
    Type(QStringLiteral("for forty"));
    ClickHeader(3);  // a title click ends the open edit
    EXPECT_FALSE(List().IsNoteEditorOpen());

    // Still open when the window closes: kept as well.
    const int row = static_cast<int>(Column(kNoColumn).indexOf(QStringLiteral("9")));
    Open(row);
    Type(QStringLiteral("for nine"));
    m_view.reset();

    const auto& notes = m_pStore->Notes();
    ASSERT_EQ(notes.size(), 59u);
    EXPECT_EQ(notes[0].strText, "abc");
    EXPECT_EQ(notes[5].strText, "for five");
    EXPECT_EQ(notes[9].strText, "for nine");
    EXPECT_EQ(notes[40].strText, "for forty");
    ASSERT_EQ(m_pStore->Save(), RC_OK);
    const QByteArray file = ReadBytes(m_path);
    EXPECT_TRUE(file.contains("=5::for five\n")) << file.constData();
    EXPECT_TRUE(file.contains("=9::for nine\n"));
    EXPECT_TRUE(file.contains("=40::for forty\n"));
}

}  // namespace
