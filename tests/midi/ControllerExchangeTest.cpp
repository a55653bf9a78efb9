#include "TransportFixture.h"

#include <chrono>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <functional>
#include <thread>

#include "../data/ConsoleMessages.h"
#include "OstraProtocol.h"
#include "data/DataController.h"
#include "midi/ConsoleTurn.h"
#include "midi/GraphLock.h"
#include "midi/MIDIDevice.h"
#include "midi/ReceivedQueue.h"
#include "platform/FileLock.h"

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

// Two messages from the console in one cycle, or in consecutive ones, both wait in arrival order; more
// than the controller can keep makes it say that answers were lost.
TEST_F(ExchangeRulesTest, EveryMessageIsQueuedNoneReplaced)
{
    ResultCode sent = RC_UPDATE_NO_RESULT;
    std::thread sender = SendInBackground(sent, 1);
    const std::uint64_t departure = driver.NextCycle();
    driver.FireOutcome(0, 1, VORN_OUTCOME_SENT, departure);
    sender.join();
    ASSERT_EQ(sent, RC_EXCHANGE_OK);
    const std::vector<std::uint8_t> first = {0xF0, 0x7D, 0x10, 0x01, 0xF7};
    const std::vector<std::uint8_t> second = {0xF0, 0x7D, 0x10, 0x02, 0xF7};
    const std::vector<std::uint8_t> third = {0xF0, 0x7D, 0x10, 0x03, 0xF7};
    driver.FireReceived(0, first, departure + 1);
    driver.FireReceived(0, second, departure + 1); // the same cycle
    driver.FireReceived(0, third, departure + 2);  // the next one
    ASSERT_TRUE(driver.WaitIdle());
    for (const auto* expected : {&first, &second, &third}) {
        std::vector<std::uint8_t> buffer(64);
        std::uint16_t length = 0;
        ASSERT_EQ(ReceiveInto(buffer, length, 200), RC_EXCHANGE_OK);
        buffer.resize(length);
        EXPECT_EQ(buffer, *expected);
        controller->DropReceived();
    }
    EXPECT_FALSE(controller->AnswersDropped());
    for (std::size_t i = 0; i <= CReceivedQueue::kMaxMessages; ++i)
        driver.FireReceived(0, first, departure + 3);
    ASSERT_TRUE(driver.WaitIdle());
    EXPECT_TRUE(controller->AnswersDropped());
    controller->EndExchange();
}

// The console's owed answers, shared by every program of the user, decide whose an answer is. Each
// case runs its steps against a console of its own: writes and queries of this program, and those of a
// writer that is killed once its message left (its debt stays).
class OwedAnswersTest : public ExchangeRulesTest {
protected:
    using Bytes = std::vector<std::uint8_t>;
    static Bytes Completion(std::uint8_t status) { return COstraProtocol::BuildCompletionReply(status); }
    static Bytes Identity(const char* name) { return COstraProtocol::BuildIdentityReply(name); }
    enum class What { Write, Current, KilledWrite, KilledQuery };
    struct Step {
        What what;
        // The console's answers, a cycle each, to each message the step sends in turn: a write under
        // debt may ask what the console holds before it, and again after it.
        std::vector<std::vector<Bytes>> messages;
        ResultCode expected = RC_EXCHANGE_OK;
        const char* name = "";       // what a query tells
    };
    struct Case {
        const char* what;
        std::vector<Step> steps;
        bool unusableLedger = false;
    };
    static std::string LedgerPath(const std::string& client, std::uint32_t pairId)
    {
        std::string name = CConsoleTurn::FileName(CGraphLock::ServerName(), client, pairId);
        return CFileLock::Folder() + "/" + name.replace(name.size() - 5, 5, ".owed");
    }
    void Run(const Case& c, std::uint32_t pairId)
    {
        FakeNetwork network = OneConsole();
        network.devices[0].ports[0].id = pairId;
        network.devices[0].ports[0].reply.reset();
        const std::string ledger = LedgerPath("device-" + std::to_string(network.devices[0].id), pairId);
        std::filesystem::remove_all(ledger);
        if (c.unusableLedger)
            std::filesystem::create_directory(ledger);
        auto script = std::make_shared<std::deque<std::vector<Bytes>>>();
        auto debtsWhenTaken = std::make_shared<std::vector<std::string>>();
        network.devices[0].ports[0].answer = [script, debtsWhenTaken, ledger](const Bytes&) {
            std::string text;
            if (std::filesystem::is_regular_file(ledger)) {
                std::ifstream file(ledger);
                text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
            }
            debtsWhenTaken->push_back(std::move(text));
            std::vector<Bytes> answers;
            if (!script->empty()) {
                answers = std::move(script->front());
                script->pop_front();
            }
            return answers;
        };
        driver.SetNetwork(network);
        ASSERT_EQ(controller->Open(), RC_EXCHANGE_OK);
        CMIDIDevice device;
        device.m_pController = controller.get();
        CDataController data;
        data.SetDevice(&device);
        ASSERT_EQ(data.Initialize(), RC_OK);
        int n = 0;
        for (const Step& step : c.steps) {
            ++n;
            script->insert(script->end(), step.messages.begin(), step.messages.end());
            if (step.what == What::KilledWrite || step.what == What::KilledQuery) {
                CWin32VornMIDIController killed;
                ASSERT_EQ(killed.Open(), RC_EXCHANGE_OK);
                const Bytes& message = step.what == What::KilledWrite ? console_messages::kPresetMessage
                                                                      : console_messages::kIdentityRequest;
                killed.ExpectAnswer(step.what == What::KilledWrite ? 2 : 1, step.what == What::KilledWrite ? "Else" : "");
                ASSERT_EQ(killed.Send(message.data(), static_cast<std::uint16_t>(message.size()), 3000), RC_EXCHANGE_OK);
                killed.Close();
                // Owed before the port took it, so that no kill can lose it.
                ASSERT_FALSE(debtsWhenTaken->empty());
                EXPECT_NE(debtsWhenTaken->back().find("\nowe "), std::string::npos) << c.what << ", step " << n;
                continue;
            }
            if (step.what == What::Write) {
                EXPECT_EQ(data.WriteEntry(0), step.expected) << c.what << ", step " << n;
            } else {
                std::string name;
                EXPECT_EQ(data.QueryCurrentDataName(name), step.expected) << c.what << ", step " << n;
                EXPECT_EQ(name, step.name) << c.what << ", step " << n;
            }
            if (step.expected == RC_SEND_FAILED || step.expected == RC_RECEIVE_FAILED) {
                EXPECT_EQ(data.LastFault(), CDataController::ExchangeFault::Unproven) << c.what << ", step " << n;
            }
        }
        EXPECT_TRUE(script->empty()) << c.what << ": the console was asked less than the case says";
        device.m_pController = nullptr;
        controller->Close();
        std::filesystem::remove_all(ledger);
    }
};

TEST_F(OwedAnswersTest, AnAnswerCountsForAWriterOnlyWhenTheLedgerOrTheConsolesEntryProvesIt)
{
    using W = What;
    const Bytes stored = Completion(0x7F), refused = Completion(0x7D);
    const Bytes other = Identity("Other"), preset = Identity("Preset");
    const Bytes later{}; // the answers after it come in a poll of their own, 60 ms on
    const Case cases[] = {
        {"a killed writer's late answer meets a refused write (asked first what the console holds)",
         {{W::KilledWrite, {{}}}, {W::Write, {{other}, {stored, refused}}, RC_SEND_FAILED}}},
        {"the same, the late answer coming second",
         {{W::KilledWrite, {{}}}, {W::Write, {{other}, {refused, stored}}, RC_SEND_FAILED}}},
        {"a killed writer's debt paid during a query, however late: the next write's answer is its own",
         {{W::KilledWrite, {{}}},
          {W::Current, {{stored, later, other}}, RC_EXCHANGE_OK, "Other"},
          {W::Write, {{refused}}, RC_FLASH_WRITE_FAILED}}},
        {"stored under debt, proven by the read-back",
         {{W::Current, {{other}}, RC_EXCHANGE_OK, "Other"},
          {W::KilledWrite, {{}}},
          {W::Write, {{stored}, {preset}}, RC_EXCHANGE_OK}}},
        {"a refusal during the read-back",
         {{W::Current, {{other}}, RC_EXCHANGE_OK, "Other"},
          {W::KilledWrite, {{}}},
          {W::Write, {{stored}, {refused, preset}}, RC_SEND_FAILED}}},
        {"a read-back that names an entry the console held before proves nothing",
         {{W::Current, {{preset}}, RC_EXCHANGE_OK, "Preset"},
          {W::KilledWrite, {{}}},
          {W::Write, {{preset}, {stored}}, RC_SEND_FAILED}}},
        {"a duplicate answer that agrees, then answers unproven until a read-back agrees",
         {{W::Write, {{refused, refused}}, RC_FLASH_WRITE_FAILED},
          {W::Write, {{other, preset}, {refused}}, RC_SEND_FAILED},
          {W::Write, {{other}, {refused}}, RC_FLASH_WRITE_FAILED},
          {W::Write, {{refused}}, RC_FLASH_WRITE_FAILED}}},
        {"two answers within one poll that disagree", {{W::Write, {{refused, stored}}, RC_SEND_FAILED}}},
        {"a killed query's late answer",
         {{W::KilledQuery, {{}}},
          {W::Current, {{Identity("Old"), later, preset}}, RC_RECEIVE_FAILED},
          {W::Current, {{preset}}, RC_EXCHANGE_OK, "Preset"}}},
        {"answers that came together pay one debt: a stale one with the fresh one",
         {{W::KilledWrite, {{}}},
          {W::Write, {{other}, {stored, refused}}, RC_SEND_FAILED},
          {W::Write, {{other}, {refused}}, RC_SEND_FAILED}}},
        {"...and an answer of the other kind sent with a write's own",
         {{W::KilledQuery, {{}}},
          {W::Write, {{other, refused}}, RC_FLASH_WRITE_FAILED},
          {W::Current, {{preset}}, RC_RECEIVE_FAILED}}},
        {"an unusable ledger proves no write by its answer",
         {{W::Write, {{other}, {refused}}, RC_SEND_FAILED}},
         true},
    };
    std::uint32_t pairId = 40; // a console of its own for each case
    for (const Case& c : cases)
        Run(c, ++pairId);
}
