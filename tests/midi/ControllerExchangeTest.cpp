#include "TransportFixture.h"

#include <chrono>
#include <functional>
#include <thread>

#include "../data/ConsoleMessages.h"
#include "OstraProtocol.h"
#include "data/DataController.h"
#include "midi/MIDIDevice.h"

// Exchanges: Send to every port and wait for the transmission result, Receive the reply that the
// driver delivers from its own thread.

namespace {

std::vector<std::uint8_t> Message(std::size_t length, std::uint8_t fill)
{
    std::vector<std::uint8_t> bytes(length, fill);
    if (length >= 2) {
        bytes.front() = 0xF0;
        bytes.back() = 0xF7;
    }
    return bytes;
}

} // namespace

class ExchangeTest : public TransportTest {
protected:
    void OpenWith(FakeNetwork network)
    {
        driver.SetNetwork(std::move(network));
        ASSERT_EQ(controller->Open(), RC_EXCHANGE_OK);
    }
    void OpenWithReply(std::optional<std::vector<std::uint8_t>> reply)
    {
        FakeNetwork network = OneConsole();
        network.devices[0].ports[0].reply = std::move(reply);
        OpenWith(network);
    }
    ResultCode ReceiveInto(std::vector<std::uint8_t>& buffer, std::uint16_t& length, std::uint16_t timeout = 2000)
    {
        length = static_cast<std::uint16_t>(buffer.size());
        return controller->Receive(buffer.data(), &length, timeout);
    }
};

TEST_F(ExchangeTest, MessagesGoToTheConsoleWithTheLowestIdentifierOrTheOneSelected)
{
    FakeNetwork network;
    network.devices = {DeviceWith(20, {TarnPort(2)}), DeviceWith(10, {TarnPort(1)})};
    OpenWith(network);
    ASSERT_EQ(SendRequest(), RC_EXCHANGE_OK);
    controller->SelectConsole({.client = {}, .pairId = 2, .bElseLowest = false});
    ASSERT_EQ(controller->Open(), RC_EXCHANGE_OK);
    ASSERT_EQ(SendRequest(), RC_EXCHANGE_OK);
    const std::vector<FakeSent> sent = driver.Sent();
    ASSERT_EQ(sent.size(), 2U);
    EXPECT_EQ(sent[0].deviceId, 10U);
    EXPECT_EQ(sent[1].deviceId, 20U);

    controller->SelectConsole({.client = {}, .pairId = 3, .bElseLowest = false});
    EXPECT_EQ(controller->Open(), RC_NO_USABLE_PORT);
    EXPECT_EQ(controller->LastFault(), CMIDIController::Fault::NoSuchConsole);
}

// The window's choice: a console remembered by client and identifier that is not on the network gives
// way to the lowest identifier, and is kept again once it is back.
TEST_F(ExchangeTest, AnAbsentChosenConsoleGivesWayToTheLowestUntilItIsBack)
{
    FakeNetwork network;
    network.devices = {DeviceWith(20, {TarnPort(2)}), DeviceWith(10, {TarnPort(1)})};
    driver.SetNetwork(network);
    controller->SelectConsole({.client = "device-20", .pairId = 2, .bElseLowest = true});
    ASSERT_EQ(controller->Open(), RC_EXCHANGE_OK);
    ASSERT_TRUE(controller->ChosenConsole());
    EXPECT_EQ(controller->ChosenConsole()->client, "device-20");
    EXPECT_EQ(controller->Consoles().size(), 2U);

    network.devices = {DeviceWith(10, {TarnPort(1)}), DeviceWith(30, {TarnPort(2)})};
    driver.SetNetwork(network);
    ASSERT_EQ(controller->Open(), RC_EXCHANGE_OK);
    ASSERT_EQ(SendRequest(), RC_EXCHANGE_OK);
    EXPECT_EQ(controller->ChosenConsole()->client, "device-10");
    EXPECT_EQ(driver.Sent().back().deviceId, 10U);

    network.devices.push_back(DeviceWith(20, {TarnPort(2)}));
    network.devices.erase(network.devices.begin() + 1);
    driver.SetNetwork(network);
    ASSERT_EQ(controller->Open(), RC_EXCHANGE_OK);
    ASSERT_EQ(SendRequest(), RC_EXCHANGE_OK);
    EXPECT_EQ(driver.Sent().back().deviceId, 20U);
}

TEST_F(ExchangeTest, TwoClientsOfferingOneIdentifierGetNothingAndAreNamed)
{
    FakeNetwork network;
    network.devices = {DeviceWith(1, {TarnPort(1)}), DeviceWith(2, {TarnPort(1)}), DeviceWith(3, {TarnPort(2)})};
    driver.SetNetwork(network);
    EXPECT_EQ(controller->Open(), RC_NO_USABLE_PORT);
    EXPECT_EQ(controller->LastFault(), CMIDIController::Fault::AmbiguousConsole);
    EXPECT_NE(controller->FaultDetail().find("\"device-1\" and \"device-2\""), std::string::npos)
        << controller->FaultDetail();
    EXPECT_EQ(SendRequest(), RC_SEND_FAILED);
    EXPECT_TRUE(driver.Sent().empty());
    EXPECT_EQ(driver.LivePorts(), 0);
}

TEST_F(ExchangeTest, AReplyBeforeTheMessageWentOutIsNotOurs)
{
    FakeNetwork network = OneConsole();
    network.devices[0].ports[0].sendResult.reset();
    network.devices[0].ports[0].reply.reset();
    OpenWith(network);
    ResultCode sent = RC_UPDATE_NO_RESULT;
    std::thread sender([&] { sent = SendRequest(5000); });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (driver.Sent().empty() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    driver.FireReceived(0, kReply); // another program's answer, still on its way
    driver.FirePortEvent(0, VORN_PORT_EVENT_SENT, 1, kRequest.size());
    sender.join();
    ASSERT_EQ(sent, RC_EXCHANGE_OK);
    std::vector<std::uint8_t> buffer(64);
    std::uint16_t length = 0;
    EXPECT_EQ(ReceiveInto(buffer, length, 50), RC_RECEIVE_FAILED);
    driver.FireReceived(0, kReply);
    EXPECT_EQ(ReceiveInto(buffer, length), RC_EXCHANGE_OK);
}

TEST_F(ExchangeTest, ASecondProgramWaitsForTheConsoleAndThenSaysItIsBusy)
{
    OpenWith(OneConsole());
    CWin32VornMIDIController other;
    ASSERT_EQ(other.Open(), RC_EXCHANGE_OK);
    ASSERT_EQ(SendRequest(), RC_EXCHANGE_OK);
    EXPECT_EQ(other.Send(kRequest.data(), static_cast<std::uint16_t>(kRequest.size()), 100), RC_SEND_FAILED);
    EXPECT_EQ(other.LastFault(), CMIDIController::Fault::ConsoleBusy);
    EXPECT_EQ(driver.Sent().size(), 1U);
    controller->EndExchange();
    EXPECT_EQ(other.Send(kRequest.data(), static_cast<std::uint16_t>(kRequest.size()), 100), RC_EXCHANGE_OK);
    other.EndExchange();
    other.Close();
}

TEST_F(ExchangeTest, MissingTransmissionResultTimesOut)
{
    FakeNetwork network = OneConsole();
    network.devices[0].ports[0].sendResult.reset();
    OpenWith(network);
    EXPECT_EQ(SendRequest(30), RC_SEND_FAILED);
}

TEST_F(ExchangeTest, TimeoutZeroDecidesFromWhatArrivedDuringTheHandOver)
{
    FakeNetwork network = OneConsole();
    network.devices[0].ports[0].sendResult.reset();
    OpenWith(network);
    EXPECT_EQ(SendRequest(0), RC_SEND_FAILED);
}

TEST_F(ExchangeTest, SendOnClosedControllerFailsAndKeepsTheLastEvent)
{
    const std::uint8_t message[] = {0xF0, 0x01, 0xF7};
    controller->OnEvent(MIDI_EVENT_RECEIVED, sizeof message, message);
    EXPECT_EQ(SendRequest(), RC_SEND_FAILED);
    EXPECT_EQ(controller->LastEvent(), MIDI_EVENT_RECEIVED);
    std::vector<std::uint8_t> buffer(16);
    std::uint16_t length = 0;
    ASSERT_EQ(ReceiveInto(buffer, length, 0), RC_EXCHANGE_OK);
    EXPECT_EQ(length, sizeof message);
}

TEST_F(ExchangeTest, ReplyOfExactlyTheCapacityIsCopiedWhole)
{
    OpenWithReply(kReply);
    ASSERT_EQ(SendRequest(), RC_EXCHANGE_OK);
    std::vector<std::uint8_t> buffer(kReply.size());
    std::uint16_t length = 0;
    ASSERT_EQ(ReceiveInto(buffer, length), RC_EXCHANGE_OK);
    EXPECT_EQ(length, kReply.size());
    EXPECT_EQ(buffer, kReply);
}

TEST_F(ExchangeTest, EmptyReplySucceedsWithLengthZero)
{
    OpenWithReply(std::vector<std::uint8_t>{});
    ASSERT_EQ(SendRequest(), RC_EXCHANGE_OK);
    std::vector<std::uint8_t> buffer(8);
    std::uint16_t length = 99;
    ASSERT_EQ(ReceiveInto(buffer, length), RC_EXCHANGE_OK);
    EXPECT_EQ(length, 0);
}

TEST_F(ExchangeTest, SecondReceiveWithoutSendReturnsTheSameMessageAtOnce)
{
    OpenWithReply(kReply);
    ASSERT_EQ(SendRequest(), RC_EXCHANGE_OK);
    std::vector<std::uint8_t> first(64), second(64);
    std::uint16_t firstLength = 0, secondLength = 0;
    ASSERT_EQ(ReceiveInto(first, firstLength), RC_EXCHANGE_OK);
    ASSERT_EQ(ReceiveInto(second, secondLength, 0), RC_EXCHANGE_OK);
    EXPECT_EQ(firstLength, secondLength);
    EXPECT_EQ(first, second);
}

TEST_F(ExchangeTest, ReceiveErrorOrSilenceFails)
{
    OpenWithReply(std::nullopt);
    ASSERT_EQ(SendRequest(), RC_EXCHANGE_OK);
    std::vector<std::uint8_t> buffer(64);
    std::uint16_t length = 0;
    EXPECT_EQ(ReceiveInto(buffer, length, 30), RC_RECEIVE_FAILED);
    driver.FirePortEvent(0, VORN_PORT_EVENT_RECEIVE_ERROR, 0, 0);
    EXPECT_EQ(ReceiveInto(buffer, length), RC_RECEIVE_FAILED);
}

TEST_F(ExchangeTest, MessageOf1024BytesIsReportedWholeAnd1025ByItsFirst1024)
{
    for (const std::size_t size : {std::size_t{1024}, std::size_t{1025}}) {
        SCOPED_TRACE(size);
        const std::vector<std::uint8_t> long_reply = Message(size, 0x55);
        OpenWithReply(long_reply);
        ASSERT_EQ(SendRequest(), RC_EXCHANGE_OK);
        std::vector<std::uint8_t> buffer(2048);
        std::uint16_t length = 0;
        ASSERT_EQ(ReceiveInto(buffer, length), RC_EXCHANGE_OK);
        ASSERT_EQ(length, 1024);
        buffer.resize(length);
        EXPECT_EQ(buffer, std::vector<std::uint8_t>(long_reply.begin(), long_reply.begin() + 1024));
    }
}

TEST_F(ExchangeTest, UnknownEventLeavesAWaiterWaiting)
{
    OpenWithReply(std::nullopt);
    ASSERT_EQ(SendRequest(), RC_EXCHANGE_OK);
    std::atomic<bool> unknownDelivered{false};
    driver.Post([&] {
        controller->OnEvent(99, 0, nullptr);
        unknownDelivered = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
    });
    driver.FireReceived(0, kReply);
    std::vector<std::uint8_t> buffer(64);
    std::uint16_t length = 0;
    ASSERT_EQ(ReceiveInto(buffer, length, 5000), RC_EXCHANGE_OK);
    EXPECT_TRUE(unknownDelivered);
    EXPECT_EQ(controller->LastEvent(), MIDI_EVENT_RECEIVED);
    EXPECT_EQ(length, kReply.size());
}

TEST_F(ExchangeTest, UnknownEventDoesNotEndAWaitEarly)
{
    controller->OnEvent(99, 0, nullptr);
    EXPECT_EQ(controller->LastEvent(), 99);
    // A counter that advances 10 ms per reading: the wait reads 0 at its start, then 10, 20 ... 60.
    int readings = 0;
    controller->SetMillisecondCounter([&readings] { return static_cast<std::uint32_t>(10 * readings++); });
    std::vector<std::uint8_t> buffer(64);
    std::uint16_t length = 0;
    EXPECT_EQ(ReceiveInto(buffer, length, 60), RC_RECEIVE_FAILED);
    EXPECT_EQ(readings, 7);
}

TEST_F(ExchangeTest, WaitAcrossTheCounterWrapEnds)
{
    FakeNetwork network = OneConsole();
    network.devices[0].ports[0].sendResult.reset();
    OpenWith(network);
    // Starts 30 ms before the wrap and advances 5 ms per reading.
    std::atomic<std::uint32_t> now{0xFFFFFFFFU - 30};
    controller->SetMillisecondCounter([&now] { return now.fetch_add(5); });
    EXPECT_EQ(SendRequest(100), RC_SEND_FAILED);
    const std::uint32_t ended = now.load();
    EXPECT_LT(ended, 200U); // wrapped, and stopped soon after the restarted interval
}

// The rules of one exchange's ownership, with the scripted driver's stamps.
class ExchangeRulesTest : public ExchangeTest {
protected:
    void SetUp() override
    {
        FakeNetwork network = OneConsole();
        network.devices[0].ports[0].sendResult.reset(); // the test tells each outcome
        network.devices[0].ports[0].reply.reset();
        OpenWith(network);
    }
    // Sends on another thread until the port has taken `taken` messages in all; join the thread after.
    std::thread SendInBackground(ResultCode& result, std::size_t taken, std::uint16_t timeout = 3000)
    {
        std::thread sender([this, &result, timeout] { result = SendRequest(timeout); });
        EXPECT_TRUE(WaitUntil([&] { return driver.Sent().size() >= taken; }));
        return sender;
    }
    static bool WaitUntil(const std::function<bool()>& condition)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!condition() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return condition();
    }
};

// A message's events belong to it: the outcome of a message whose sender gave up, or of a message
// dropped unsent, never decides another Send.
TEST_F(ExchangeRulesTest, OnlyTheOutcomeNamingTheMessageDecidesItsSend)
{
    EXPECT_EQ(SendRequest(30), RC_SEND_FAILED); // message 1: no outcome in time
    controller->EndExchange();

    ResultCode second = RC_UPDATE_NO_RESULT;
    std::thread sender = SendInBackground(second, 2, 300);
    driver.FireOutcome(0, 1, VORN_OUTCOME_SENT, driver.NextCycle()); // message 1 went out after all
    sender.join();
    EXPECT_EQ(second, RC_SEND_FAILED);
    controller->EndExchange();

    struct Case {
        std::uint32_t status;
        ResultCode expected;
    };
    for (const Case& c : {Case{VORN_OUTCOME_DROPPED, RC_SEND_FAILED}, Case{VORN_OUTCOME_FAILED, RC_SEND_FAILED},
                          Case{VORN_OUTCOME_SENT, RC_EXCHANGE_OK}}) {
        ResultCode result = RC_UPDATE_NO_RESULT;
        const auto number = static_cast<std::uint32_t>(driver.Sent().size() + 1);
        std::thread next = SendInBackground(result, number);
        driver.FireOutcome(0, number, c.status, driver.NextCycle());
        next.join();
        EXPECT_EQ(result, c.expected) << "status " << c.status;
        controller->EndExchange();
    }
}

// Only later replies count: a message that arrived in the cycle its message left in, or before,
// answers something else.
TEST_F(ExchangeRulesTest, OnlyARepliesFromACycleAfterTheDepartureCount)
{
    for (const int offset : {-1, 0, 1}) {
        ResultCode sent = RC_UPDATE_NO_RESULT;
        const auto number = static_cast<std::uint32_t>(driver.Sent().size() + 1);
        std::thread sender = SendInBackground(sent, number);
        const std::uint64_t departure = driver.NextCycle() + 1;
        driver.FireOutcome(0, number, VORN_OUTCOME_SENT, departure);
        sender.join();
        ASSERT_EQ(sent, RC_EXCHANGE_OK);
        driver.FireReceived(0, kReply, static_cast<std::uint64_t>(static_cast<long long>(departure) + offset));
        std::vector<std::uint8_t> buffer(64);
        std::uint16_t length = 0;
        EXPECT_EQ(ReceiveInto(buffer, length, 200), offset > 0 ? RC_EXCHANGE_OK : RC_RECEIVE_FAILED)
            << "reply " << offset << " cycles after the departure";
        controller->EndExchange();
    }
}

// A late reply is never taken by another write. Another program gave up on its write to this console
// (it leaves the mark); this program's write then meets that write's late completion, before or after
// the console's own answer. "Stored" is said only when the console's entry proves it.
TEST_F(ExchangeRulesTest, ALateCompletionIsNeverTakenAsTheAnswerOfTheNextWrite)
{
    struct Case {
        const char* what;
        std::uint8_t answer;       // the console's status for this program's write
        bool lateFirst;            // the late completion comes before the console's answer
        const char* holds;         // the entry the console holds afterwards
        ResultCode expected;
        bool newDevice = false;    // the console left and came again in between: its late reply is gone
    };
    const Case cases[] = {
        {"refused, answering in order", 0x7D, true, "Other", RC_SEND_FAILED},
        {"refused, answering out of order", 0x7D, false, "Other", RC_SEND_FAILED},
        {"stored, proven by the console's entry", 0x7F, true, "Preset", RC_EXCHANGE_OK},
        {"refused by a console that came again", 0x7D, false, "Other", RC_FLASH_WRITE_FAILED, true},
    };
    std::uint32_t pairId = 20; // a console of its own for each case, so that each starts without a mark
    for (const Case& c : cases) {
        FakeNetwork network = OneConsole();
        network.devices[0].ports[0].id = ++pairId;
        network.devices[0].ports[0].reply.reset();
        driver.SetNetwork(network);
        CWin32VornMIDIController other;
        ASSERT_EQ(other.Open(), RC_EXCHANGE_OK);
        ASSERT_EQ(other.Send(kRequest.data(), static_cast<std::uint16_t>(kRequest.size()), 3000), RC_EXCHANGE_OK);
        other.EndExchange(); // gave up waiting for its reply
        other.Close();

        if (c.newDevice) { // the same client, as a new device on the network
            network.devices[0].name = "device-" + std::to_string(network.devices[0].id);
            ++network.devices[0].id;
        }
        network.devices[0].ports[0].answer = [&c](const std::vector<std::uint8_t>& message) {
            if (message.size() == console_messages::kIdentityRequest.size())
                return std::vector<std::vector<std::uint8_t>>{COstraProtocol::BuildIdentityReply(c.holds)};
            const auto late = COstraProtocol::BuildCompletionReply(0x7F);
            const auto own = COstraProtocol::BuildCompletionReply(c.answer);
            if (c.newDevice) // the device that owed the late reply is gone
                return std::vector<std::vector<std::uint8_t>>{own};
            return c.lateFirst ? std::vector<std::vector<std::uint8_t>>{late, own}
                               : std::vector<std::vector<std::uint8_t>>{own, late};
        };
        driver.SetNetwork(network);
        ASSERT_EQ(controller->Open(), RC_EXCHANGE_OK);
        CMIDIDevice device;
        device.m_pController = controller.get();
        CDataController data;
        data.SetDevice(&device);
        ASSERT_EQ(data.Initialize(), RC_OK);
        EXPECT_EQ(data.WriteEntry(0), c.expected) << c.what;
        if (c.expected == RC_SEND_FAILED) {
            EXPECT_EQ(data.LastFault(), CDataController::ExchangeFault::Unproven) << c.what;
        }
        device.m_pController = nullptr;
        controller->Close();
    }
}
