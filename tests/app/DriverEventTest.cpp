// The shell over the real transport and a scripted Vorn driver whose observers fire on its own thread.
#include "ShellFixture.h"

#include "app/MainFrame.h"
#include "midi/FakeVornDriver.h"
#include "midi/MIDIDevice.h"

namespace {

FakeNetwork OneConsole()
{
    FakePort port;
    port.id = 7;
    FakeDevice device;
    device.id = 0x1001;
    device.ports = {port};
    FakeNetwork network;
    network.devices = {device};
    return network;
}

class DriverEvents : public ShellTest
{
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        // Start-up creates the transport over the driver this time.
        delete g_MIDIDevice.m_pController;
        g_MIDIDevice.m_pController = nullptr;
        console = nullptr;
    }
    void TearDown() override
    {
        ShellTest::TearDown();
        EXPECT_TRUE(driver.WaitIdle());
        EXPECT_EQ(driver.LiveObjects(), 0) << "every driver object was given back";
    }

    int ConnectionErrors() const
    {
        return CountShown(*boxes, QStringLiteral("Connection Error.\nPlease make sure of whether Ostra is connected "
                                                 "to your computer correctly."));
    }

    FakeVornDriver driver;
};

TEST_F(DriverEvents, NoConsoleAtStartUpThenOneIsPluggedIn)
{
    ASSERT_TRUE(Start());
    EXPECT_EQ(ConnectionErrors(), 1);
    EXPECT_FALSE(app->m_bConnected);

    // A change that still finds no console shows nothing.
    const int nRefreshes = view->refreshConnectionCount;
    driver.FireAsyncEvent(VORN_ASYNC_EVENT_CONFIG_CHANGED);
    ASSERT_TRUE(WaitFor([&] { return view->refreshConnectionCount > nRefreshes; }));
    EXPECT_EQ(ConnectionErrors(), 1);
    EXPECT_FALSE(app->m_bConnected);

    driver.SetNetwork(OneConsole());
    driver.FireAsyncEvent(VORN_ASYNC_EVENT_CONFIG_CHANGED);
    ASSERT_TRUE(WaitFor([&] { return app->m_bConnected; }));
    app->MainFrame()->UpdateMenuStates();
    EXPECT_TRUE(app->MainFrame()->Action(ID_FILE_UPDATE)->isEnabled());
}

TEST_F(DriverEvents, ConsoleUnpluggedWhileConnected)
{
    driver.SetNetwork(OneConsole());
    ASSERT_TRUE(Start());
    ASSERT_TRUE(app->m_bConnected);
    EXPECT_EQ(ConnectionErrors(), 0);

    driver.SetNetwork({});
    driver.FireAsyncEvent(VORN_ASYNC_EVENT_CONFIG_CHANGED);
    ASSERT_TRUE(WaitFor([&] { return !app->m_bConnected; }));
    EXPECT_EQ(ConnectionErrors(), 1);
    app->MainFrame()->UpdateMenuStates();
    EXPECT_FALSE(app->MainFrame()->Action(ID_FILE_UPDATE)->isEnabled());
}

} // namespace
