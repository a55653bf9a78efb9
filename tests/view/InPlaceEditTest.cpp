// The note editor's notices: when it asks for a commit, an undo point or reports a first change.
#include "view/InPlaceEdit.h"
#include "widgets/MessageRecorder.h"
#include "widgets/WidgetTestSupport.h"

#include <QClipboard>
#include <QInputMethodEvent>

namespace {

// The editor, with where its caret is drawn.
class CaretEdit : public CInPlaceEdit {
public:
    using CInPlaceEdit::CInPlaceEdit;
    using QLineEdit::cursorRect;
};

class InPlaceEditNotices : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApp();
        host.resize(300, 60);
        edit = new CaretEdit(&host);
        edit->setGeometry(10, 10, 200, 24);
        host.show();
        host.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&host));
        edit->setFocus();
        Open(QStringLiteral("abc"));
    }

    // As the list opens it: whole text selected, no change reported yet.
    void Open(const QString& text)
    {
        edit->m_bChangeNotified = true;
        edit->SetTextWhole(text);
        edit->selectAll();
        edit->GetSel(edit->m_nSelStart, edit->m_nSelEnd);
        edit->m_bChanged = false;
        DeliverPosted();
        host.messages.clear();
    }

    MessageRecorder host;
    CaretEdit* edit = nullptr;
};

TEST_F(InPlaceEditNotices, ArrowThenLetterPostsOneUndoPointWithTheStateBeforeTheLetter)
{
    QTest::keyClick(edit, Qt::Key_End);
    QTest::keyClick(edit, Qt::Key_Left);
    QTest::keyClick(edit, Qt::Key_Right);
    QTest::keyClick(edit, Qt::Key_Left);  // caret between b and c
    QTest::keyClick(edit, Qt::Key_X);
    QTest::keyClick(edit, Qt::Key_Y);
    DeliverPosted();
    EXPECT_EQ(edit->text(), QStringLiteral("abxyc"));
    ASSERT_EQ(host.Count(WM_NOTE_MARK), 1);
    EXPECT_EQ(host.Last(WM_NOTE_MARK)->wParam, 2u);
    EXPECT_EQ(host.Last(WM_NOTE_MARK)->lParam, 2);
    EXPECT_EQ(edit->m_strSnapshot, QStringLiteral("abc"));
    EXPECT_EQ(edit->m_nSelStart, 4);
    EXPECT_EQ(host.Count(WM_NOTE_MODIFIED), 0) << "nothing set the text since opening";
}

TEST_F(InPlaceEditNotices, HomeEndSpaceAndAStillClickDoNotBeginAGroup)
{
    QTest::keyClick(edit, Qt::Key_End);
    QTest::keyClick(edit, Qt::Key_Home);
    QTest::keyClick(edit, Qt::Key_PageDown);
    QTest::keyClick(edit, Qt::Key_Space);
    QTest::keyClick(edit, Qt::Key_Q);
    DeliverPosted();
    EXPECT_EQ(edit->text(), QStringLiteral(" qabc"));
    EXPECT_EQ(host.Count(WM_NOTE_MARK), 0);

    // A press that leaves the caret where it is moves nothing; one that moves it does.
    const int x = edit->cursorRect().center().x();
    QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(x, edit->height() / 2));
    EXPECT_FALSE(edit->m_bCaretMoved);
    QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(edit->width() - 4, edit->height() / 2));
    EXPECT_TRUE(edit->m_bCaretMoved);
    QTest::keyClick(edit, Qt::Key_Backspace);
    DeliverPosted();
    EXPECT_EQ(host.Count(WM_NOTE_MARK), 1);
}

TEST_F(InPlaceEditNotices, FirstEditingKeyAfterTheTextWasSetReportsTheChangeOnce)
{
    edit->m_bChangeNotified = false;  // as after the list set the text for an undo
    QTest::keyClick(edit, Qt::Key_Space);
    DeliverPosted();
    EXPECT_EQ(host.Count(WM_NOTE_MODIFIED), 0) << "the space bar is no editing key";
    QTest::keyClick(edit, Qt::Key_BracketLeft);  // 0xDB
    QTest::keyClick(edit, Qt::Key_Z);
    DeliverPosted();
    ASSERT_EQ(host.Count(WM_NOTE_MODIFIED), 1);
    EXPECT_TRUE(edit->m_bChanged);
}

TEST_F(InPlaceEditNotices, EnterAsksForOneCommitAndAHiddenEditorLosesFocusQuietly)
{
    edit->m_nItem = 17;
    QTest::keyClick(edit, Qt::Key_Return);
    DeliverPosted();
    ASSERT_EQ(host.Count(WM_NOTE_COMMIT), 1);
    EXPECT_EQ(host.Last(WM_NOTE_COMMIT)->wParam, 17u);
    edit->hide();
    DeliverPosted();
    EXPECT_EQ(host.Count(WM_NOTE_COMMIT), 1);

    // Shown again, losing the focus commits.
    edit->show();
    edit->setFocus();
    edit->clearFocus();
    DeliverPosted();
    EXPECT_EQ(host.Count(WM_NOTE_COMMIT), 2);
}

TEST_F(InPlaceEditNotices, JapaneseFromTheInputMethodIsAnEditingKey)
{
    edit->m_bCaretMoved = true;
    QInputMethodEvent compose(QStringLiteral("めも"), {});
    QCoreApplication::sendEvent(edit, &compose);
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("メモ"));
    QCoreApplication::sendEvent(edit, &commit);
    DeliverPosted();
    EXPECT_EQ(edit->text(), QStringLiteral("メモ"));
    EXPECT_EQ(host.Count(WM_NOTE_MARK), 1);
    EXPECT_EQ(edit->m_strSnapshot, QStringLiteral("abc"));
}

TEST_F(InPlaceEditNotices, HoldsAtMost1023CharactersButOpensALongerNoteWhole)
{
    edit->selectAll();
    edit->insert(QString(2000, u'n'));
    EXPECT_EQ(edit->text().size(), CInPlaceEdit::kMaxNoteLength);

    const QString stored(1500, u's');
    Open(stored);
    EXPECT_EQ(edit->text(), stored) << "opening never cuts a stored note";
}

TEST_F(InPlaceEditNotices, LineBreaksBecomeSpaces)
{
    QGuiApplication::clipboard()->setText(QStringLiteral("one\r\ntwo\nthree\rfour"));
    edit->selectAll();
    edit->paste();
    EXPECT_EQ(edit->text(), QStringLiteral("one two three four"));
    EXPECT_EQ(edit->cursorPosition(), edit->text().size());
}

TEST_F(InPlaceEditNotices, UndoKeysAreNotTheEditorsOwn)
{
    QTest::keyClick(edit, Qt::Key_Q);
    QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(edit->text(), QStringLiteral("q")) << "undoing is the view's, through its history";
}

}  // namespace
