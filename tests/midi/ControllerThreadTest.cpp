#include "TransportFixture.h"

#include <chrono>
#include <thread>
#include <utility>

#include "midi/MIDIDevice.h"

// The hand-over between the driver's thread and the controller: events after Close, callbacks in
// flight while the controller lets go, messages arriving while Receive copies.

namespace {

template <class Predicate>
bool WaitUntil(Predicate predicate, std::chrono::milliseconds deadline = std::chrono::seconds(5))
{
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (!predicate()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Records configuration changes; can hold the driver's thread inside the call until released.
class RecordingListener : public CMIDIDeviceListener {
public:
    ResultCode OnDeviceEvent(std::int32_t nEvent) override
    {
        m_thread = std::this_thread::get_id();
        m_nEvent = nEvent;
        m_bEntered = true;
        while (m_bHold && !m_bRelease)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        m_bFinished = true;
        return RC_OK;
    }

    std::atomic<bool> m_bHold{false}, m_bRelease{false}, m_bEntered{false}, m_bFinished{false};
    std::atomic<std::int32_t> m_nEvent{0};
    std::thread::id m_thread;
};

// The message of sequence number k: F0, (k % 100) bytes all equal to k % 100, F7.
std::vector<std::uint8_t> Numbered(unsigned k)
{
    const auto n = static_cast<std::uint8_t>(k % 100);
    std::vector<std::uint8_t> bytes(n + 2U, n);
    bytes.front() = 0xF0;
    bytes.back() = 0xF7;
    return bytes;
}

} // namespace

class ThreadTest : public TransportTest {
protected:
    void SetUp() override
    {
        holder.m_pListener = &listener;
        controller->m_pDevice = &holder;
        ASSERT_EQ(controller->Open(), RC_EXCHANGE_OK);
    }
    void TearDown() override
    {
        TransportTest::TearDown();
        holder.m_pListener = nullptr;
    }

    RecordingListener listener;
    CMIDIDevice holder;
};

TEST_F(ThreadTest, ConfigurationChangeReachesTheListenerOnTheDriverThread)
{
    driver.FireAsyncEvent(VORN_ASYNC_EVENT_CONFIG_NOTICE);
    driver.FireAsyncEvent(VORN_ASYNC_EVENT_CONFIG_CHANGED);
    ASSERT_TRUE(WaitUntil([&] { return listener.m_bFinished.load(); }));
    EXPECT_EQ(listener.m_nEvent, MIDI_EVENT_CONFIG_CHANGED);
    EXPECT_NE(listener.m_thread, std::this_thread::get_id());
}

TEST_F(ThreadTest, ConfigurationNoticeDoesNotReachTheListener)
{
    driver.FireAsyncEvent(VORN_ASYNC_EVENT_CONFIG_NOTICE);
    driver.FireAsyncEvent(8); // a driver-wide type the controller does not handle
    ASSERT_TRUE(driver.WaitIdle());
    EXPECT_FALSE(listener.m_bEntered);
}

TEST_F(ThreadTest, ConfigurationChangeWithoutListenerIsOnlyRecorded)
{
    holder.m_pListener = nullptr;
    driver.FireAsyncEvent(VORN_ASYNC_EVENT_CONFIG_CHANGED);
    ASSERT_TRUE(driver.WaitIdle());
    EXPECT_FALSE(listener.m_bEntered);
}

TEST_F(ThreadTest, EventAfterCloseNeverReachesTheController)
{
    // The driver still holds the port and its observer when Close returns, and reports a message late.
    std::atomic<bool> go{false};
    driver.Post([&] { WaitUntil([&] { return go.load(); }); });
    driver.FireReceived(0, kReply);
    driver.FireAsyncEvent(VORN_ASYNC_EVENT_CONFIG_CHANGED);
    EXPECT_EQ(controller->Close(), RC_EXCHANGE_OK);
    EXPECT_EQ(driver.LivePorts(), 1);
    go = true;
    ASSERT_TRUE(driver.WaitIdle());
    EXPECT_EQ(driver.LivePorts(), 0);
    EXPECT_FALSE(listener.m_bEntered);
    std::vector<std::uint8_t> buffer(64);
    std::uint16_t length = 64;
    EXPECT_EQ(controller->Receive(buffer.data(), &length, 0), RC_RECEIVE_FAILED);
}

TEST_F(ThreadTest, CloseWaitsForACallbackInFlight)
{
    listener.m_bHold = true;
    driver.FireAsyncEvent(VORN_ASYNC_EVENT_CONFIG_CHANGED);
    ASSERT_TRUE(WaitUntil([&] { return listener.m_bEntered.load(); }));
    std::atomic<bool> closed{false};
    std::atomic<bool> finishedWhenClosed{false};
    std::thread closer([&] {
        (void)controller->Close();
        finishedWhenClosed = listener.m_bFinished.load();
        closed = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(closed);
    listener.m_bRelease = true;
    closer.join();
    EXPECT_TRUE(finishedWhenClosed);
}

TEST_F(ThreadTest, DestroyingTheControllerWhileTheDriverDeliversIsSafe)
{
    for (unsigned k = 0; k < 200; ++k) {
        driver.FireReceived(0, Numbered(k));
        driver.FirePortEvent(0, VORN_PORT_EVENT_SENT, 1, 3);
        driver.FireAsyncEvent(VORN_ASYNC_EVENT_CONFIG_CHANGED);
    }
    controller.reset();
    ASSERT_TRUE(driver.WaitIdle());
}

// Messages that keep arriving while the exchange takes them reach it whole and in arrival order; none
// replaces another, and one the queue had no room for is said to be lost.
TEST_F(ThreadTest, ReceiveNeverReturnsATornOrReorderedMessage)
{
    constexpr unsigned kMessages = 3000;
    for (unsigned k = 0; k < kMessages; ++k)
        driver.FireReceived(0, Numbered(k));
    std::vector<std::uint8_t> buffer(256);
    unsigned received = 0;
    bool idle = false;
    for (;;) {
        std::uint16_t length = static_cast<std::uint16_t>(buffer.size());
        if (controller->Receive(buffer.data(), &length, 0) != RC_EXCHANGE_OK) {
            if (idle)
                break;
            idle = driver.WaitIdle(0);
            continue;
        }
        controller->DropReceived();
        ASSERT_GE(length, 2);
        const std::uint8_t n = static_cast<std::uint8_t>(length - 2);
        ASSERT_EQ(buffer[0], 0xF0);
        ASSERT_EQ(buffer[length - 1U], 0xF7);
        for (std::uint16_t i = 1; i + 1 < length; ++i)
            ASSERT_EQ(buffer[i], n) << "torn at byte " << i << " of " << length;
        // Without drops, the k-th message taken is the k-th sent.
        if (!controller->AnswersDropped()) {
            ASSERT_EQ(n, received % 100) << "message " << received << " out of order";
        }
        ++received;
    }
    EXPECT_TRUE(received == kMessages || controller->AnswersDropped()) << received << " of " << kMessages;
}

TEST_F(ThreadTest, ALateReplyCutInTwoByTheNextSendLeavesReceiveWaitingForTheRealReply)
{
    // The console answers only when the test says so.
    FakeNetwork network = OneConsole();
    network.devices[0].ports[0].reply.reset();
    driver.SetNetwork(network);

    // The driver stops inside the delivery of the previous exchange's late reply, once the message is
    // published, while the next Send begins and drops what was received so far.
    std::atomic<bool> paused{false}, release{false};
    bool bFirstDelivery = true; // driver thread only
    controller->SetReceivedHook([&] {
        if (!std::exchange(bFirstDelivery, false))
            return;
        paused = true;
        WaitUntil([&] { return release.load(); });
    });
    driver.FireReceived(0, Numbered(3));
    ASSERT_TRUE(WaitUntil([&] { return paused.load(); }));
    ResultCode sendResult = RC_UPDATE_NO_RESULT;
    std::thread sender([&] { sendResult = SendRequest(); });
    const bool bHandedOver = WaitUntil([&] { return !driver.Sent().empty(); });
    release = true;
    sender.join();
    ASSERT_TRUE(bHandedOver);
    ASSERT_EQ(sendResult, RC_EXCHANGE_OK);

    // Receive has polled at least once (its third look at the clock) before the real reply comes.
    std::atomic<int> clockReads{0};
    controller->SetMillisecondCounter([&] {
        ++clockReads;
        return static_cast<std::uint32_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
                .count());
    });
    std::vector<std::uint8_t> buffer(64);
    std::uint16_t length = 64;
    std::atomic<bool> received{false};
    ResultCode receiveResult = RC_UPDATE_NO_RESULT;
    std::thread receiver([&] {
        receiveResult = controller->Receive(buffer.data(), &length, 5000);
        received = true;
    });
    ASSERT_TRUE(WaitUntil([&] { return clockReads.load() >= 3 || received.load(); }));
    driver.FireReceived(0, kReply);
    receiver.join();
    ASSERT_EQ(receiveResult, RC_EXCHANGE_OK);
    EXPECT_EQ(std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + length), kReply);
}
