#include <gtest/gtest.h>

#include <vector>

#include "midi/MIDIController.h"
#include "midi/MIDIListener.h"
#include "midi/PortListener.h"

// The two observer classes on their own: what each driver event becomes, and their reference counts.

namespace {

struct Event {
    std::int32_t nEvent;
    std::uint16_t nLength;
    std::vector<std::uint8_t> bytes;
};

class RecordingController : public CMIDIController {
public:
    ResultCode Open() override { return RC_EXCHANGE_OK; }
    ResultCode Close() override { return RC_EXCHANGE_OK; }
    ResultCode Send(const std::uint8_t*, std::uint16_t, std::uint16_t) override { return RC_EXCHANGE_OK; }
    ResultCode Receive(std::uint8_t*, std::uint16_t*, std::uint16_t) override { return RC_EXCHANGE_OK; }
    ResultCode OnEvent(std::int32_t nEvent, std::uint16_t nLength, const std::uint8_t* pData) override
    {
        events.push_back({nEvent, nLength, pData ? std::vector<std::uint8_t>(pData, pData + nLength)
                                                 : std::vector<std::uint8_t>{}});
        return RC_EXCHANGE_OK;
    }
    std::vector<Event> events;
};

// Any address serves as the observed port: the observer only compares it.
IVornAsyncPort* const kPort = reinterpret_cast<IVornAsyncPort*>(std::uintptr_t{0x1000});
IVornAsyncPort* const kOtherPort = reinterpret_cast<IVornAsyncPort*>(std::uintptr_t{0x2000});

class MIDIListenerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        listener = CMIDIListener::Create();
        ASSERT_NE(listener, nullptr);
        listener->m_pSource = kPort;
        listener->m_pController.Attach(&controller);
    }
    void TearDown() override { EXPECT_EQ(listener->Release(), 0U); }

    HRESULT Deliver(const std::vector<std::uint8_t>& bytes)
    {
        VornReceivedMessage message{static_cast<std::uint32_t>(bytes.size()), bytes.data(), 0};
        return listener->OnPortEvent(kPort, VORN_PORT_EVENT_RECEIVED, reinterpret_cast<std::uintptr_t>(&message), 0);
    }

    RecordingController controller;
    CMIDIListener* listener = nullptr;
};

} // namespace

TEST_F(MIDIListenerTest, DriverEventsBecomeTransportEvents)
{
    const std::vector<std::uint8_t> reply = {0xF0, 0x7D, 0x11, 0xF7};
    EXPECT_EQ(Deliver(reply), S_OK);
    EXPECT_EQ(listener->OnPortEvent(kPort, VORN_PORT_EVENT_RECEIVE_ERROR, 0, 0), S_OK);
    EXPECT_EQ(listener->OnPortEvent(kPort, VORN_PORT_EVENT_SENT, 1, 137), S_OK);
    EXPECT_EQ(listener->OnPortEvent(kPort, VORN_PORT_EVENT_SENT, 0, 0), S_OK);
    EXPECT_EQ(listener->OnPortEvent(kPort, 3, 0, 0), S_OK);
    EXPECT_EQ(listener->OnPortEvent(kPort, 8, 0, 0), S_OK);
    ASSERT_EQ(controller.events.size(), 4U);
    EXPECT_EQ(controller.events[0].nEvent, MIDI_EVENT_RECEIVED);
    EXPECT_EQ(controller.events[0].bytes, reply);
    EXPECT_EQ(controller.events[1].nEvent, MIDI_EVENT_RECEIVE_ERROR);
    EXPECT_EQ(controller.events[2].nEvent, MIDI_EVENT_SENT);
    EXPECT_EQ(controller.events[2].nLength, 137);
    EXPECT_EQ(controller.events[3].nEvent, MIDI_EVENT_SEND_FAILED);
}

TEST_F(MIDIListenerTest, EventOfAnotherPortIsRefusedAndIgnored)
{
    EXPECT_EQ(listener->OnPortEvent(kOtherPort, VORN_PORT_EVENT_SENT, 1, 0), E_FAIL);
    EXPECT_EQ(listener->OnPortEvent(nullptr, VORN_PORT_EVENT_SENT, 1, 0), E_FAIL);
    EXPECT_TRUE(controller.events.empty());
}

TEST_F(MIDIListenerTest, DetachedObserverTellsNobody)
{
    listener->m_pController.Detach();
    EXPECT_EQ(Deliver({0xF0, 0xF7}), S_OK);
    EXPECT_EQ(listener->OnPortEvent(kPort, VORN_PORT_EVENT_SENT, 1, 0), S_OK);
    EXPECT_TRUE(controller.events.empty());
}

TEST_F(MIDIListenerTest, LongMessageIsCutToTheBufferCapacity)
{
    std::vector<std::uint8_t> message(1500);
    for (std::size_t i = 0; i < message.size(); ++i)
        message[i] = static_cast<std::uint8_t>(i & 0x7F);
    EXPECT_EQ(Deliver(message), S_OK);
    ASSERT_EQ(controller.events.size(), 1U);
    EXPECT_EQ(controller.events[0].nLength, CMIDIListener::RECEIVE_CAPACITY);
    EXPECT_EQ(controller.events[0].bytes,
              std::vector<std::uint8_t>(message.begin(), message.begin() + CMIDIListener::RECEIVE_CAPACITY));
}

TEST_F(MIDIListenerTest, MissingMessageIsAnEmptyOne)
{
    EXPECT_EQ(listener->OnPortEvent(kPort, VORN_PORT_EVENT_RECEIVED, 0, 0), S_OK);
    ASSERT_EQ(controller.events.size(), 1U);
    EXPECT_EQ(controller.events[0].nEvent, MIDI_EVENT_RECEIVED);
    EXPECT_EQ(controller.events[0].nLength, 0);
}

TEST_F(MIDIListenerTest, ConsecutiveMessagesLandInDifferentSlots)
{
    std::vector<const std::uint8_t*> seen;
    class PointerController : public RecordingController {
    public:
        explicit PointerController(std::vector<const std::uint8_t*>& seen) : m_seen(seen) {}
        ResultCode OnEvent(std::int32_t, std::uint16_t, const std::uint8_t* pData) override
        {
            m_seen.push_back(pData);
            return RC_EXCHANGE_OK;
        }
        std::vector<const std::uint8_t*>& m_seen;
    } pointers(seen);
    listener->m_pController.Attach(&pointers);
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(Deliver({0xF0, static_cast<std::uint8_t>(i), 0xF7}), S_OK);
    ASSERT_EQ(seen.size(), 3U);
    EXPECT_NE(seen[0], seen[1]);
    EXPECT_EQ(seen[0], seen[2]);
    listener->m_pController.Detach();
}

TEST(PortListenerTest, DriverEventsBecomeTransportEvents)
{
    RecordingController controller;
    CPortListener* listener = CPortListener::Create();
    ASSERT_NE(listener, nullptr);
    EXPECT_EQ(listener->OnAsyncEvent(VORN_ASYNC_EVENT_CONFIG_CHANGED), S_OK); // before attaching: dropped
    listener->m_pController.Attach(&controller);
    EXPECT_EQ(listener->OnAsyncEvent(VORN_ASYNC_EVENT_CONFIG_NOTICE), S_OK);
    EXPECT_EQ(listener->OnAsyncEvent(VORN_ASYNC_EVENT_CONFIG_CHANGED), S_OK);
    EXPECT_EQ(listener->OnAsyncEvent(4), S_OK);
    ASSERT_EQ(controller.events.size(), 2U);
    EXPECT_EQ(controller.events[0].nEvent, MIDI_EVENT_CONFIG_NOTICE);
    EXPECT_EQ(controller.events[1].nEvent, MIDI_EVENT_CONFIG_CHANGED);
    EXPECT_EQ(listener->Release(), 0U);
}

// Both observers answer the base interface and their own, add a reference for it, and refuse the rest.
template <class Observer>
void CheckInterfacesAndCounts(Observer* observer, const IID& own, const IID& foreign)
{
    void* pv = reinterpret_cast<void*>(1);
    EXPECT_EQ(observer->QueryInterface(foreign, &pv), E_NOINTERFACE);
    EXPECT_EQ(pv, nullptr);
    EXPECT_EQ(observer->QueryInterface(IID_IUnknown, &pv), S_OK);
    EXPECT_NE(pv, nullptr);
    EXPECT_EQ(observer->QueryInterface(own, &pv), S_OK);
    EXPECT_EQ(observer->AddRef(), 4U);
    EXPECT_EQ(observer->Release(), 3U);
    EXPECT_EQ(observer->Release(), 2U);
    EXPECT_EQ(observer->Release(), 1U);
    EXPECT_EQ(observer->Release(), 0U); // deleted here; AddressSanitizer reports a leak or double free
}

TEST(ObserverComTest, AnswerTheirInterfacesAndCountReferences)
{
    CheckInterfacesAndCounts(CPortListener::Create(), IID_IVornAsyncObserver, IID_IVornAsyncPortObserver);
    CheckInterfacesAndCounts(CMIDIListener::Create(), IID_IVornAsyncPortObserver, IID_IVornAsyncObserver);
}
