#include <gtest/gtest.h>

#include "midi/MIDIDevice.h"
#include "midi/Win32VornMIDIController.h"

// The process-wide holder and InitMIDIDevice. Every test leaves the holder empty again.

namespace {

class DestructionCounter : public CMIDIController {
public:
    explicit DestructionCounter(int& destroyed) : m_destroyed(destroyed) {}
    ~DestructionCounter() override { ++m_destroyed; }
    ResultCode Open() override { return RC_EXCHANGE_OK; }
    ResultCode Close() override { return RC_EXCHANGE_OK; }
    ResultCode Send(const std::uint8_t*, std::uint16_t, std::uint16_t) override { return RC_EXCHANGE_OK; }
    ResultCode Receive(std::uint8_t*, std::uint16_t*, std::uint16_t) override { return RC_EXCHANGE_OK; }
    ResultCode OnEvent(std::int32_t, std::uint16_t, const std::uint8_t*) override { return RC_EXCHANGE_OK; }

private:
    int& m_destroyed;
};

class CountingListener : public CMIDIDeviceListener {
public:
    ResultCode OnDeviceEvent(std::int32_t nEvent) override
    {
        events.push_back(nEvent);
        return RC_OK;
    }
    std::vector<std::int32_t> events;
};

class MIDIDeviceTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        delete g_MIDIDevice.m_pController;
        g_MIDIDevice.m_pController = nullptr;
        g_MIDIDevice.m_pListener = nullptr;
    }
};

} // namespace

TEST_F(MIDIDeviceTest, InitCreatesTheControllerOncePointingBackToTheHolder)
{
    ASSERT_EQ(InitMIDIDevice(), RC_OK);
    auto* controller = dynamic_cast<CWin32VornMIDIController*>(g_MIDIDevice.m_pController);
    ASSERT_NE(controller, nullptr);
    EXPECT_EQ(controller->m_pDevice, &g_MIDIDevice);
    controller->m_pDevice = nullptr;
    ASSERT_EQ(InitMIDIDevice(), RC_OK);
    EXPECT_EQ(g_MIDIDevice.m_pController, controller);
    EXPECT_EQ(controller->m_pDevice, &g_MIDIDevice);
}

TEST_F(MIDIDeviceTest, InitKeepsAControllerAlreadyThere)
{
    int destroyed = 0;
    auto* own = new DestructionCounter(destroyed);
    g_MIDIDevice.m_pController = own;
    ASSERT_EQ(InitMIDIDevice(), RC_OK);
    EXPECT_EQ(g_MIDIDevice.m_pController, own);
    EXPECT_EQ(destroyed, 0);
}

TEST_F(MIDIDeviceTest, HolderDestroysItsControllerButNotItsListener)
{
    int destroyed = 0;
    CountingListener listener;
    {
        CMIDIDevice holder;
        holder.m_pController = new DestructionCounter(destroyed);
        holder.m_pListener = &listener;
    }
    EXPECT_EQ(destroyed, 1);
}

TEST_F(MIDIDeviceTest, ConfigurationChangeIsPassedToTheHoldersListener)
{
    ASSERT_EQ(InitMIDIDevice(), RC_OK);
    CMIDIController* controller = g_MIDIDevice.m_pController;
    EXPECT_EQ(controller->OnEvent(MIDI_EVENT_CONFIG_CHANGED, 0, nullptr), RC_EXCHANGE_OK); // no listener yet
    CountingListener listener;
    g_MIDIDevice.m_pListener = &listener;
    for (std::int32_t event : {MIDI_EVENT_CONFIG_NOTICE, MIDI_EVENT_CONFIG_CHANGED, MIDI_EVENT_RECEIVE_ERROR,
                               MIDI_EVENT_SENT, MIDI_EVENT_SEND_FAILED, 42})
        EXPECT_EQ(controller->OnEvent(event, 0, nullptr), RC_EXCHANGE_OK);
    EXPECT_EQ(listener.events, std::vector<std::int32_t>{MIDI_EVENT_CONFIG_CHANGED});
}
