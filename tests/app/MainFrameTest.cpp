// The main frame: placement from the preference store, stored placement on close, menu 128 and its states.
#include "ShellFixture.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTest>

#include <tuple>

#include "app/MainFrame.h"
#include "platform/WindowSystem.h"
#include "prefs/Preference.h"

namespace {

class MainFrame : public ShellTest
{
protected:
    // A preference store whose file holds this window rectangle and maximised flag.
    void StoreWindow(const QRect& rect, bool bZoomed)
    {
        ASSERT_EQ(g_Preference.Create(), RC_OK);
        g_Preference.SetProfilePath(folders.Root() + QStringLiteral("/frame.ini"));
        ASSERT_EQ(g_Preference.GetHandler()->Load(), RC_OK);
        ASSERT_EQ(g_Preference.GetHandler()->SetWindowBounds(rect.x(), rect.y(), rect.width(), rect.height()), RC_OK);
        ASSERT_EQ(g_Preference.GetHandler()->SetZoomed(bZoomed), RC_OK);
    }

    static QRect Screen() { return QGuiApplication::primaryScreen()->geometry(); }
    // Placement on the screen is the program's own only where the window system lets it place windows.
    // The cases that place the window run on X11; the Wayland stage leaves them out.
    static constexpr const char* kPlacesItself = "a case for window systems that let the program place its window";
    // The cases named WhereTheCompositorPlaces... run natively on Wayland, and on X11 with the program
    // told that the compositor places its windows.
    struct CompositorPlaces
    {
        CompositorPlaces() { TreatWindowsAsCompositorPlaced(true); }
        ~CompositorPlaces() { TreatWindowsAsCompositorPlaced(false); }
        CompositorPlaces(const CompositorPlaces&) = delete;
        CompositorPlaces& operator=(const CompositorPlaces&) = delete;
    };

    QRect StoredRect()
    {
        std::int32_t x = 0, y = 0, w = 0, h = 0;
        EXPECT_EQ(g_Preference.GetHandler()->GetWindowBounds(x, y, w, h), RC_OK);
        return {x, y, w, h};
    }
};

TEST(FitOntoMonitor, MovesEdgesInTheirOrder)
{
    const QRect monitor(0, 0, 1024, 768);
    // Partly beyond the right edge: shifted left by the overhang.
    EXPECT_EQ(CMainFrame::FitOntoMonitor(QRect(900, 100, 600, 300), monitor), QRect(424, 100, 600, 300));
    // Partly above and left: moved right and down.
    EXPECT_EQ(CMainFrame::FitOntoMonitor(QRect(-50, -20, 600, 300), monitor), QRect(0, 0, 600, 300));
    // Below the bottom: moved up.
    EXPECT_EQ(CMainFrame::FitOntoMonitor(QRect(10, 700, 600, 300), monitor), QRect(10, 468, 600, 300));
    // Larger than the monitor: the left and top edges win.
    EXPECT_EQ(CMainFrame::FitOntoMonitor(QRect(300, 200, 1500, 900), monitor), QRect(0, 0, 1500, 900));
    // A second monitor to the right keeps its own origin.
    EXPECT_EQ(CMainFrame::FitOntoMonitor(QRect(2000, 50, 600, 300), QRect(1024, 0, 1280, 1024)),
              QRect(1704, 50, 600, 300));
    // Already inside: unchanged.
    EXPECT_EQ(CMainFrame::FitOntoMonitor(QRect(10, 10, 600, 300), monitor), QRect(10, 10, 600, 300));
}

TEST_F(MainFrame, StoredPartlyBeyondTheRightEdgeIsShiftedLeft)
{
    ASSERT_TRUE(CanPlaceWindows()) << kPlacesItself;
    const QRect screen = Screen();
    StoreWindow(QRect(screen.right() - 299, 40, 600, 300), false);
    CMainFrame frame(*app);
    EXPECT_EQ(frame.geometry(), QRect(screen.right() + 1 - 600, 40, 600, 300));
}

TEST_F(MainFrame, StoredLargerThanTheScreenGoesToItsTopLeft)
{
    ASSERT_TRUE(CanPlaceWindows()) << kPlacesItself;
    const QRect screen = Screen();
    const QSize big(screen.width() + 200, screen.height() + 100);
    StoreWindow(QRect(QPoint(150, 80), big), false);
    CMainFrame frame(*app);
    EXPECT_EQ(frame.geometry(), QRect(screen.topLeft(), big));
}

TEST_F(MainFrame, StoredOffEveryScreenComesBackOntoTheNearest)
{
    ASSERT_TRUE(CanPlaceWindows()) << kPlacesItself;
    const QRect screen = Screen();
    StoreWindow(QRect(screen.right() + 5000, screen.bottom() + 3000, 600, 300), false);
    CMainFrame frame(*app);
    EXPECT_TRUE(screen.contains(frame.geometry()));
}

TEST_F(MainFrame, MinimumSizeIs500By285)
{
    StoreWindow(QRect(10, 10, 600, 300), false);
    CMainFrame frame(*app);
    EXPECT_EQ(frame.minimumSize(), QSize(500, 285));
}

TEST_F(MainFrame, ClosedMaximisedStoresTheRestoredRectangleAndOpensMaximised)
{
    ASSERT_TRUE(CanPlaceWindows()) << kPlacesItself;
    const QRect normal(30, 40, 640, 360);
    StoreWindow(normal, false);
    {
        CMainFrame frame(*app);
        frame.ShowFirst();
        frame.showMaximized();
        ASSERT_TRUE(WaitFor([&] { return frame.isMaximized(); }));
        frame.close();
    }
    EXPECT_EQ(StoredRect(), normal);
    bool bZoomed = false;
    ASSERT_EQ(g_Preference.GetHandler()->GetZoomed(bZoomed), RC_OK);
    EXPECT_TRUE(bZoomed);

    CMainFrame next(*app);
    next.ShowFirst();
    ASSERT_TRUE(WaitFor([&] { return next.isMaximized(); }));
    next.showNormal();
    ASSERT_TRUE(WaitFor([&] { return !next.isMaximized(); }));
    EXPECT_EQ(next.geometry(), normal);
}

TEST_F(MainFrame, ClosedNormallyStoresItsRectangle)
{
    ASSERT_TRUE(CanPlaceWindows()) << kPlacesItself;
    StoreWindow(QRect(30, 40, 640, 360), true);
    CMainFrame frame(*app);
    frame.show();
    frame.setGeometry(QRect(50, 60, 700, 400));
    frame.close();
    EXPECT_EQ(StoredRect(), QRect(50, 60, 700, 400));
    bool bZoomed = true;
    ASSERT_EQ(g_Preference.GetHandler()->GetZoomed(bZoomed), RC_OK);
    EXPECT_FALSE(bZoomed);
}

TEST_F(MainFrame, WhereTheCompositorPlacesTheWindowItsSizeIsStoredAndThePositionStays)
{
    const CompositorPlaces compositor;
    StoreWindow(QRect(100, 100, 800, 500), false);
    CMainFrame frame(*app);
    frame.CenterWindow();
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    EXPECT_EQ(frame.size(), QSize(800, 500));
    frame.resize(700, 420);
    ASSERT_TRUE(WaitFor([&] { return frame.size() == QSize(700, 420); }));
    frame.close();
    EXPECT_EQ(StoredRect(), QRect(100, 100, 700, 420));
}

TEST_F(MainFrame, WhereTheCompositorPlacesTheWindowAPlaceOffEveryScreenIsKeptAsItWas)
{
    // An X11 session stored a place that no screen of this session shows: the window keeps its size,
    // and the place waits for the next session that can use it.
    const CompositorPlaces compositor;
    const QRect stored(Screen().right() + 5000, Screen().bottom() + 3000, 600, 300);
    StoreWindow(stored, false);
    CMainFrame frame(*app);
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    EXPECT_EQ(frame.size(), stored.size());
    frame.close();
    EXPECT_EQ(StoredRect(), stored);
}

TEST_F(MainFrame, WhereTheCompositorPlacesTheWindowExitStoresItsSizeAndKeepsThePlace)
{
    const CompositorPlaces compositor;
    ASSERT_TRUE(Start());
    CMainFrame& frame = *app->MainFrame();
    const QPoint place = StoredRect().topLeft();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    frame.resize(610, 320);
    ASSERT_TRUE(WaitFor([&] { return frame.size() == QSize(610, 320); }));
    frame.Action(ID_APP_EXIT)->trigger();
    EXPECT_FALSE(frame.isVisible());
    EXPECT_EQ(StoredRect(), QRect(place, QSize(610, 320)));
}

TEST_F(MainFrame, MenuHasTheExactLabels)
{
    ASSERT_TRUE(Start());
    QStringList titles;
    for (QAction* pAction : app->MainFrame()->menuBar()->actions())
        titles << pAction->text();
    EXPECT_EQ(titles, QStringList({"File(&F)", "Edit(&E)", "Help(&H)"}));

    // The accelerators are the items' own shortcuts, out of their labels.
    const std::tuple<int, const char*, const char*> items[] = {
        {ID_FILE_UPDATE, "Update(&U)", "Ctrl+U"}, {ID_APP_EXIT, "Exit(&X)", ""},
        {ID_EDIT_UNDO, "Undo(&U)", "Ctrl+Z"},     {ID_EDIT_CUT, "Cut(&T)", "Ctrl+X"},
        {ID_EDIT_COPY, "Copy(&C)", "Ctrl+C"},     {ID_EDIT_PASTE, "Paste(&P)", "Ctrl+V"},
        {ID_HELP_MANUAL, "Manual(&M)", "F1"},     {ID_APP_ABOUT, "About(&A)...", ""},
    };
    for (const auto& [nCommand, pszLabel, pszKeys] : items) {
        QAction* pAction = app->MainFrame()->Action(nCommand);
        ASSERT_NE(pAction, nullptr) << nCommand;
        EXPECT_EQ(pAction->text(), QString::fromUtf8(pszLabel));
        EXPECT_EQ(pAction->shortcut().toString(), QString::fromUtf8(pszKeys));
    }
    EXPECT_EQ(app->MainFrame()->windowTitle(), QStringLiteral("Sonvale Data Manager"));
}

TEST_F(MainFrame, EditItemsFollowTheNoteEditorWhateverTheClipboardHolds)
{
    ASSERT_TRUE(Start());
    QGuiApplication::clipboard()->setText(QStringLiteral("some text"));
    CMainFrame& frame = *app->MainFrame();
    // The states are set as the menu opens.
    QMenu* pEdit = app->MainFrame()->menuBar()->actions().value(1)->menu();
    ASSERT_NE(pEdit, nullptr);
    emit pEdit->aboutToShow();
    EXPECT_FALSE(frame.Action(ID_EDIT_CUT)->isEnabled());
    EXPECT_FALSE(frame.Action(ID_EDIT_COPY)->isEnabled());
    EXPECT_FALSE(frame.Action(ID_EDIT_PASTE)->isEnabled());
    EXPECT_FALSE(frame.Action(ID_EDIT_UNDO)->isEnabled());

    view->editorVisible = true;
    emit pEdit->aboutToShow();
    EXPECT_FALSE(frame.Action(ID_EDIT_CUT)->isEnabled()) << "an empty selection has nothing to cut";
    EXPECT_TRUE(frame.Action(ID_EDIT_PASTE)->isEnabled());

    view->noteSelection = true;
    view->undoAvailable = true;
    emit pEdit->aboutToShow();
    EXPECT_TRUE(frame.Action(ID_EDIT_CUT)->isEnabled());
    EXPECT_TRUE(frame.Action(ID_EDIT_COPY)->isEnabled());
    EXPECT_TRUE(frame.Action(ID_EDIT_UNDO)->isEnabled());

    QGuiApplication::clipboard()->clear();
    emit pEdit->aboutToShow();
    EXPECT_FALSE(frame.Action(ID_EDIT_PASTE)->isEnabled());
}

TEST_F(MainFrame, UpdateFollowsTheConnectionAndCtrlUDoesNothingWhileDisconnected)
{
    ASSERT_TRUE(Start());
    CMainFrame& frame = *app->MainFrame();
    frame.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
    QTest::keyClick(&frame, Qt::Key_U, Qt::ControlModifier);
    EXPECT_EQ(view->updateCount, 1);

    app->m_bConnected = false;
    frame.UpdateMenuStates();
    EXPECT_FALSE(frame.Action(ID_FILE_UPDATE)->isEnabled());
    const int nRefreshes = view->refreshConnectionCount;
    QTest::keyClick(&frame, Qt::Key_U, Qt::ControlModifier);
    EXPECT_EQ(view->updateCount, 1);
    EXPECT_EQ(view->refreshConnectionCount, nRefreshes) << "the accelerator of a disabled item does nothing";

    app->m_bConnected = true;
    frame.UpdateMenuStates();
    EXPECT_TRUE(frame.Action(ID_FILE_UPDATE)->isEnabled());
}

TEST_F(MainFrame, AcceleratorsReachTheViewsEditCommandsOnlyWhileTheirItemsAreEnabled)
{
    ASSERT_TRUE(Start());
    CMainFrame& frame = *app->MainFrame();
    frame.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
    const auto pressAll = [&frame] {
        for (const Qt::Key key : {Qt::Key_Z, Qt::Key_X, Qt::Key_C, Qt::Key_V})
            QTest::keyClick(&frame, key, Qt::ControlModifier);
    };
    // No note editor: every Edit item is disabled, whatever the clipboard holds.
    QGuiApplication::clipboard()->setText(QStringLiteral("some text"));
    pressAll();
    EXPECT_EQ(view->undoCount + view->cutCount + view->copyCount + view->pasteCount, 0);

    view->editorVisible = true;
    view->noteSelection = true;
    view->undoAvailable = true;
    pressAll();
    EXPECT_EQ(view->undoCount, 1);
    EXPECT_EQ(view->cutCount, 1);
    EXPECT_EQ(view->copyCount, 1);
    EXPECT_EQ(view->pasteCount, 1);
}

TEST_F(MainFrame, ExitClosesTheFrameAndStoresItsPlacement)
{
    ASSERT_TRUE(CanPlaceWindows()) << kPlacesItself;
    ASSERT_TRUE(Start());
    CMainFrame& frame = *app->MainFrame();
    frame.setGeometry(QRect(20, 30, 610, 320));
    frame.Action(ID_APP_EXIT)->trigger();
    EXPECT_FALSE(frame.isVisible());
    EXPECT_EQ(StoredRect(), QRect(20, 30, 610, 320));
}

} // namespace
