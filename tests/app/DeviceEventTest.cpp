// Start-up's connection check and what configuration changes of the network do afterwards.
#include "ShellFixture.h"

#include <QMenu>
#include <QMenuBar>
#include <vector>

#include "app/MainFrame.h"
#include "app/UpdateState.h"
#include "data/FakeMIDIController.h"
#include "midi/MIDIEvent.h"
#include "platform/MessageBoxService.h"
#include "platform/StringTable.h"

namespace {

const QString kConnectionError =
    QStringLiteral("Connection Error.\nPlease make sure of whether Ostra is connected to your computer correctly.");

using DeviceEvents = ShellTest;

TEST_F(DeviceEvents, StartUpWithoutConsoleShowsOneErrorAndRunsDisconnected)
{
    console->openResult = RC_NO_USABLE_PORT;
    // The box comes before the main window, and the view hears of the lost console after it.
    std::vector<MessageBoxRequest> shown;
    bool bWindowAtBox = true;
    int nRefreshesAtBox = -1;
    CMessageBoxService::SetResponder([&](const MessageBoxRequest& request) {
        shown.push_back(request);
        bWindowAtBox = app->MainFrame() != nullptr;
        nRefreshesAtBox = view ? view->refreshConnectionCount : -1;
        return MessageBoxAnswer::Ok;
    });
    ASSERT_TRUE(Start());
    boxes.reset(); // lets go of the responder above
    boxes = std::make_unique<CMessageBoxScript>(); // records the boxes from here on
    EXPECT_FALSE(bWindowAtBox);
    ASSERT_GE(nRefreshesAtBox, 0);
    EXPECT_GT(view->refreshConnectionCount, nRefreshesAtBox);

    ASSERT_EQ(shown.size(), 1u);
    const MessageBoxRequest& box = shown[0];
    EXPECT_EQ(box.text, kConnectionError);
    EXPECT_EQ(box.caption, QStringLiteral("Sonvale Data Manager"));
    EXPECT_EQ(box.icon, MessageBoxIcon::Warning);
    EXPECT_EQ(box.buttons, MessageBoxButtons::Ok);
    EXPECT_FALSE(app->m_bConnected);
    EXPECT_TRUE(app->MainFrame()->isVisible());
    app->MainFrame()->UpdateMenuStates();
    EXPECT_FALSE(app->MainFrame()->Action(ID_FILE_UPDATE)->isEnabled());

    // Still no console after a configuration change: tried again, silently.
    const int nOpens = console->openCount;
    FireConfigChangeFromDriverThread();
    ASSERT_TRUE(WaitFor([&] { return console->openCount == nOpens + 1; }));
    EXPECT_TRUE(boxes->Shown().empty());
    EXPECT_FALSE(app->m_bConnected);
    EXPECT_EQ(console->closeCount, 0) << "a closed transport is not closed again";
}

TEST_F(DeviceEvents, ConsoleRemovedWhileConnectedIsReportedOnce)
{
    ASSERT_TRUE(Start());
    ASSERT_TRUE(boxes->Shown().empty());
    ASSERT_TRUE(app->m_bConnected);
    const int nRefreshes = view->refreshConnectionCount;

    console->openResult = RC_NO_USABLE_PORT;
    FireConfigChangeFromDriverThread();
    ASSERT_TRUE(WaitFor([&] { return view->refreshConnectionCount > nRefreshes; }));
    EXPECT_EQ(CountShown(*boxes, kConnectionError), 1);
    EXPECT_FALSE(app->m_bConnected);
    EXPECT_EQ(console->closeCount, 1);

    // The next change finds no console either: nothing more is shown.
    FireConfigChangeFromDriverThread();
    ASSERT_TRUE(WaitFor([&] { return view->refreshConnectionCount > nRefreshes + 1; }));
    EXPECT_EQ(CountShown(*boxes, kConnectionError), 1);
}

TEST_F(DeviceEvents, ConsoleComingBackReconnects)
{
    console->openResult = RC_NO_USABLE_PORT;
    ASSERT_TRUE(Start());
    console->openResult = RC_EXCHANGE_OK;
    FireConfigChangeFromDriverThread();
    ASSERT_TRUE(WaitFor([&] { return app->m_bConnected; }));
    EXPECT_GE(view->refreshCurrentDataCount, 2) << "the console is asked for its current data again";
}

TEST_F(DeviceEvents, ChangeWhileTheErrorBoxIsOpenIsTriedOnceMoreAfterOk)
{
    ASSERT_TRUE(Start());
    console->openResult = RC_NO_USABLE_PORT;
    int nHandledInsideBox = -1;
    CMessageBoxService::SetResponder([&](const MessageBoxRequest&) {
        // The console comes back while the box is open; the event reaches the box's loop and is dropped.
        console->openResult = RC_EXCHANGE_OK;
        const int nOpens = console->openCount;
        FireConfigChangeFromDriverThread();
        QCoreApplication::sendPostedEvents();
        nHandledInsideBox = console->openCount - nOpens;
        return MessageBoxAnswer::Ok;
    });
    FireConfigChangeFromDriverThread();
    const int nOpens = console->openCount;
    ASSERT_TRUE(WaitFor([&] { return nHandledInsideBox >= 0; }));
    CMessageBoxService::SetResponder({});

    EXPECT_EQ(nHandledInsideBox, 0);
    EXPECT_EQ(console->openCount, nOpens + 2) << "the change itself, then one more attempt after OK";
    EXPECT_TRUE(app->m_bConnected);
}

TEST_F(DeviceEvents, ChangeWhileTheErrorBoxIsOpenFollowsAFailedRetry)
{
    ASSERT_TRUE(Start());
    console->openResult = RC_NO_USABLE_PORT;
    CMessageBoxService::SetResponder([&](const MessageBoxRequest&) {
        FireConfigChangeFromDriverThread();
        QCoreApplication::sendPostedEvents();
        return MessageBoxAnswer::Ok;
    });
    FireConfigChangeFromDriverThread();
    ASSERT_TRUE(WaitFor([&] { return !app->m_bConnected; }));
    CMessageBoxService::SetResponder({});
    EXPECT_FALSE(app->m_bConnected);
}

TEST_F(DeviceEvents, ChangeWhileAMenuIsOpenIsHandledAtOnce)
{
    ASSERT_TRUE(Start());
    QMenu* pFile = app->MainFrame()->menuBar()->findChildren<QMenu*>().value(0);
    ASSERT_NE(pFile, nullptr);
    pFile->popup(app->MainFrame()->mapToGlobal(QPoint(10, 10)));
    ASSERT_TRUE(WaitFor([&] { return pFile->isVisible(); }));

    const int nOpens = console->openCount;
    FireConfigChangeFromDriverThread();
    ASSERT_TRUE(WaitFor([&] { return console->openCount == nOpens + 1; }));
    EXPECT_TRUE(pFile->isVisible());
    pFile->hide();
}

TEST_F(DeviceEvents, ChangeDuringAnUpdateIsNotActedOn)
{
    ASSERT_TRUE(Start());
    const int nOpens = console->openCount;
    const int nRefreshes = view->refreshConnectionCount;
    g_bUpdateRunning = true;
    FireConfigChangeFromDriverThread();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(console->openCount, nOpens);
    EXPECT_EQ(console->closeCount, 0);
    EXPECT_EQ(view->refreshConnectionCount, nRefreshes);
    EXPECT_TRUE(app->m_bDeviceEventPending) << "the flag carries the change to the end of the update";
}

TEST_F(DeviceEvents, ChangeBeforeTheMainWindowExistsOnlySetsTheFlag)
{
    FireConfigChangeFromDriverThread();
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(app->m_bDeviceEventPending);
    EXPECT_EQ(console->openCount, 0);

    // Other transport events are not configuration changes.
    app->m_bDeviceEventPending = false;
    EXPECT_EQ(app->OnDeviceEvent(MIDI_EVENT_CONFIG_NOTICE), RC_OK);
    EXPECT_FALSE(app->m_bDeviceEventPending);
}

TEST_F(DeviceEvents, ChangeDuringStartUpErrorBoxGivesOneMoreAttempt)
{
    console->openResult = RC_NO_USABLE_PORT;
    CMessageBoxService::SetResponder([&](const MessageBoxRequest&) {
        console->openResult = RC_EXCHANGE_OK;
        FireConfigChangeFromDriverThread();
        return MessageBoxAnswer::Ok;
    });
    ASSERT_TRUE(Start());
    CMessageBoxService::SetResponder({});
    EXPECT_TRUE(app->m_bConnected);
    EXPECT_EQ(console->openCount, 2);
}

TEST_F(DeviceEvents, ReconnectFailureWhileConnectedShowsTheErrorOnce)
{
    ASSERT_TRUE(Start());
    console->openResult = RC_DRIVER_UNAVAILABLE;
    app->Reconnect();
    app->Reconnect();
    EXPECT_EQ(CountShown(*boxes, kConnectionError), 1);
    EXPECT_FALSE(app->m_bConnected);
    console->openResult = RC_EXCHANGE_OK;
    app->Reconnect();
    EXPECT_TRUE(app->m_bConnected);
}

} // namespace
