// Note editing in the running program: the Edit menu's accelerators reach the view's history, not the
// editor's own, and the menu's states follow the editor.
#include "ShellFixture.h"

#include <QMenuBar>
#include <QTest>

#include "app/MainFrame.h"
#include "app/TarnDoc.h"
#include "app/TarnViewLink.h"
#include "view/TarnView.h"
#include "widgets/ListClicks.h"

namespace {

using NoteEditShell = ShellTest;

TEST_F(NoteEditShell, CtrlZInTheEditorUndoesThroughTheViewAndTheMenuFollows)
{
    app = std::make_unique<CTarnApp>();
    ASSERT_TRUE(Start());
    auto* pLink = dynamic_cast<CTarnViewLink*>(app->MainView());
    ASSERT_NE(pLink, nullptr);
    CTarnView& view = *pLink->View();
    CMainFrame& frame = *app->MainFrame();
    frame.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));

    CInfoListCtrl& list = view.List();
    DoubleClickNoteCell(list, 0);
    ASSERT_TRUE(list.IsNoteEditorOpen());
    QCoreApplication::processEvents();  // the view records the opening state
    CInPlaceEdit& editor = list.NoteEditor();
    const QString opening = editor.text();
    QTest::keyClicks(&editor, QStringLiteral("loud"));
    QCoreApplication::processEvents();

    QMenu* pEdit = frame.menuBar()->actions().value(1)->menu();
    ASSERT_NE(pEdit, nullptr);
    emit pEdit->aboutToShow();
    EXPECT_TRUE(frame.Action(ID_EDIT_UNDO)->isEnabled());
    EXPECT_FALSE(frame.Action(ID_EDIT_CUT)->isEnabled()) << "nothing selected";

    QTest::keyClick(&editor, Qt::Key_Z, Qt::ControlModifier);
    QCoreApplication::processEvents();
    EXPECT_EQ(editor.text(), opening);
    EXPECT_FALSE(view.IsUndoMode()) << "the next Undo redoes";
    QTest::keyClick(&editor, Qt::Key_Z, Qt::ControlModifier);
    QCoreApplication::processEvents();
    EXPECT_EQ(editor.text(), QStringLiteral("loud")) << "the opening text was all selected";

    QTest::keyClick(&editor, Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return !list.IsNoteEditorOpen(); }));
    emit pEdit->aboutToShow();
    EXPECT_FALSE(frame.Action(ID_EDIT_UNDO)->isEnabled());
}

} // namespace
