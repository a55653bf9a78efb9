// Note editing hosted by the information list: opening the editor on a double-click, following the
// list's scrolling, committing into the cell, Escape, and the text operations the view uses.
#include "MessageRecorder.h"
#include "WidgetTestSupport.h"

#include <QWheelEvent>

namespace {

class InfoListNoteEdit : public FilledListTest {
protected:
    void SetUp() override
    {
        FilledListTest::SetUp();
        host = std::make_unique<MessageRecorder>();
        list->setParent(host.get());
        list->move(0, 0);
        host->resize(list->size());
        host->show();
        host->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(host.get()));
        ASSERT_EQ(list->InitNoteEditor(), RC_OK);
    }

    void TearDown() override
    {
        list.reset();
        host.reset();
        FilledListTest::TearDown();
    }

    QPoint CellCentre(int row, int col) const { return CellRect(row, col).center(); }
    void DoubleClick(QPoint client)
    {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, client);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, client);
        DeliverPosted();
    }
    void Open(int row) { DoubleClick(CellCentre(row, kNoteColumn)); }
    CInPlaceEdit& Editor() { return list->NoteEditor(); }

    std::unique_ptr<MessageRecorder> host;
};

// Few enough rows to leave empty space under them.
class ShortListNoteEdit : public InfoListNoteEdit {
protected:
    int RowCount() const override { return 6; }
};

TEST_F(InfoListNoteEdit, DoubleClickOnANoteCellOpensTheEditorOverItWithTheWholeTextSelected)
{
    Open(8);  // "keep"
    ASSERT_TRUE(list->IsNoteEditorOpen());
    EXPECT_EQ(Editor().text(), QStringLiteral("keep"));
    EXPECT_EQ(Editor().selectedText(), QStringLiteral("keep"));
    EXPECT_EQ(Editor().m_nItem, 8);
    EXPECT_EQ(Editor().m_nSelStart, 0);
    EXPECT_EQ(Editor().m_nSelEnd, 4);
    EXPECT_FALSE(Editor().m_bChanged);
    EXPECT_TRUE(Editor().hasFocus());
    QRect label;
    ASSERT_TRUE(list->GetSubItemRect(8, kNoteColumn, LVIR_LABEL, label));
    EXPECT_EQ(Editor().geometry(), label);
    EXPECT_EQ(host->Count(WM_NOTE_BEGIN), 1);
    EXPECT_EQ(list->GetSelectedItem(), 8);
}

TEST_F(ShortListNoteEdit, DoubleClickElsewhereOpensNothingAndKeepsTheCurrentRow)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, CellCentre(3, 2));
    DoubleClick(CellCentre(3, 2));  // Name
    DoubleClick(CellCentre(3, 4));  // Description
    EXPECT_FALSE(list->IsNoteEditorOpen());
    EXPECT_EQ(list->GetSelectedItem(), 3);

    QRect last;
    ASSERT_TRUE(list->GetItemRect(RowCount() - 1, last, LVIR_BOUNDS));
    const QPoint below(CellCentre(RowCount() - 1, kNoteColumn).x(), last.bottom() + 5);
    ASSERT_LT(below.y(), list->viewport()->height()) << "no empty space below the last row";
    DoubleClick(below);
    EXPECT_FALSE(list->IsNoteEditorOpen());
    EXPECT_EQ(list->GetSelectedItem(), 3);
    EXPECT_EQ(host->Count(WM_NOTE_BEGIN), 0);
}

TEST_F(InfoListNoteEdit, EditorFollowsItsCellWhenTheListScrolls)
{
    list->SetColumnWidth(4, 600);  // wide enough to scroll sideways
    QCoreApplication::processEvents();
    Open(2);
    ASSERT_TRUE(list->IsNoteEditorOpen());
    auto onCell = [&] {
        QRect label;
        EXPECT_TRUE(list->GetSubItemRect(2, kNoteColumn, LVIR_LABEL, label));
        return Editor().geometry() == label;
    };
    QScrollBar* bar = list->horizontalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    const int before = Editor().x();
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);  // line right
    EXPECT_TRUE(onCell());
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);  // page right
    EXPECT_TRUE(onCell());
    bar->setValue(bar->maximum() / 2);  // thumb
    EXPECT_TRUE(onCell());
    EXPECT_LT(Editor().x(), before);

    // The wheel scrolls the rows; the editor stays with its row.
    QWheelEvent wheel(QPointF(50, 50), list->viewport()->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(list->viewport(), &wheel);
    ASSERT_GT(list->verticalScrollBar()->value(), 0);
    EXPECT_TRUE(onCell());
}

TEST_F(InfoListNoteEdit, EnterWritesTheCellAndPostsOneCommitToTheView)
{
    Open(5);
    QTest::keyClicks(&Editor(), QStringLiteral("slow attack"));
    QTest::keyClick(&Editor(), Qt::Key_Return);
    DeliverPosted();
    EXPECT_FALSE(list->IsNoteEditorOpen());
    EXPECT_EQ(list->GetItemText(5, kNoteColumn), QStringLiteral("slow attack"));
    ASSERT_EQ(host->Count(WM_NOTE_COMMIT), 1);
    EXPECT_EQ(host->Last(WM_NOTE_COMMIT)->wParam, 5u);
    EXPECT_TRUE(list->hasFocus()) << "the list takes the keyboard back";
    // Once hidden, the editor's later loss of focus commits nothing more.
    Editor().clearFocus();
    DeliverPosted();
    EXPECT_EQ(host->Count(WM_NOTE_COMMIT), 1);
}

TEST_F(InfoListNoteEdit, ClickingAnotherRowCommitsThroughTheLossOfFocus)
{
    Open(6);
    QTest::keyClicks(&Editor(), QStringLiteral("dry"));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, CellCentre(10, 2));
    DeliverPosted();
    EXPECT_FALSE(list->IsNoteEditorOpen());
    EXPECT_EQ(list->GetItemText(6, kNoteColumn), QStringLiteral("dry"));
    EXPECT_EQ(list->GetSelectedItem(), 10);
    ASSERT_EQ(host->Count(WM_NOTE_COMMIT), 1);
    EXPECT_EQ(host->Last(WM_NOTE_COMMIT)->wParam, 6u);
}

TEST_F(InfoListNoteEdit, EscapeHidesTheEditorAndLeavesTheCell)
{
    Open(4);  // "keep"
    QTest::keyClicks(&Editor(), QStringLiteral("gone"));
    QTest::keyClick(&Editor(), Qt::Key_Escape);
    DeliverPosted();
    EXPECT_FALSE(list->IsNoteEditorOpen());
    EXPECT_EQ(list->GetItemText(4, kNoteColumn), QStringLiteral("keep"));
    EXPECT_EQ(host->Count(WM_NOTE_CANCEL), 1);
    EXPECT_EQ(host->Count(WM_NOTE_COMMIT), 0);

    // With no editor open, Escape in the list still tells the view.
    QTest::keyClick(list.get(), Qt::Key_Escape);
    DeliverPosted();
    EXPECT_EQ(host->Count(WM_NOTE_CANCEL), 2);
}

TEST_F(InfoListNoteEdit, CommittingAWideNoteClearsTheNoteColumnsFitsDefaultFlag)
{
    // Only short notes ("keep") so far: they fit the default width.
    EXPECT_TRUE(list->Header().m_bFitsDefault[kNoteColumn]);
    const QFontMetrics metrics(list->font());
    QString narrow = QStringLiteral("i");
    while (metrics.horizontalAdvance(narrow + u'i') < 43) narrow += u'i';
    ASSERT_LT(metrics.horizontalAdvance(narrow), 43);
    QString wide = narrow + u'i';
    ASSERT_GE(metrics.horizontalAdvance(wide), 43);

    Open(1);
    QTest::keyClicks(&Editor(), narrow);
    QTest::keyClick(&Editor(), Qt::Key_Return);
    DeliverPosted();
    EXPECT_TRUE(list->Header().m_bFitsDefault[kNoteColumn]) << "42 pixels still fit";

    Open(2);
    QTest::keyClicks(&Editor(), wide);
    QTest::keyClick(&Editor(), Qt::Key_Return);
    DeliverPosted();
    EXPECT_FALSE(list->Header().m_bFitsDefault[kNoteColumn]);
}

TEST_F(InfoListNoteEdit, TextOperationsNeedAnOpenEditor)
{
    std::string text = "untouched";
    EXPECT_EQ(list->GetNoteEditText(text), RC_NOTE_EDITOR_CLOSED);
    EXPECT_EQ(list->GetNoteEditSnapshot(text), RC_NOTE_EDITOR_CLOSED);
    EXPECT_EQ(list->SetNoteEditText("x"), RC_NOTE_EDITOR_CLOSED);
    EXPECT_EQ(text, "untouched");
    std::uint16_t entry = 777;
    EXPECT_EQ(list->CommitNoteEdit(entry, text), RC_OK);
    EXPECT_EQ(entry, 777);
    EXPECT_EQ(text, "untouched");

    Open(12);
    EXPECT_EQ(list->SetNoteEditText("ボーカル"), RC_OK);
    EXPECT_FALSE(Editor().m_bChangeNotified) << "the editor reports its next change again";
    EXPECT_EQ(list->GetNoteEditText(text), RC_OK);
    EXPECT_EQ(text, "ボーカル");
    EXPECT_EQ(list->CommitNoteEdit(entry, text), RC_OK);
    EXPECT_EQ(entry, 12) << "the No. cell shows 12";
    EXPECT_EQ(text, "ボーカル");
    EXPECT_EQ(list->GetItemText(12, kNoteColumn), QStringLiteral("ボーカル"));
    EXPECT_FALSE(list->IsNoteEditorOpen());
    DeliverPosted();
    EXPECT_EQ(host->Count(WM_NOTE_COMMIT), 0) << "the view stores this note itself";
}

TEST_F(InfoListNoteEdit, EntryKeyIsTheLeadingNumberCutTo16Bits)
{
    list->SetItemText(0, kNoColumn, QStringLiteral("65541"));
    EXPECT_EQ(list->GetEntryKey(0), 5);
    list->SetItemText(0, kNoColumn, QStringLiteral("42abc"));
    EXPECT_EQ(list->GetEntryKey(0), 42);
    list->SetItemText(0, kNoColumn, QString());
    EXPECT_EQ(list->GetEntryKey(0), 0);
}

}  // namespace
