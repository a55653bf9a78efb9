// The program's own transport, CWin32VornMIDIController, over the driver module and emulated consoles
// on a private JACK server: the whole path a data update takes, short of the user interface.
#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "JackFixture.h"
#include "OstraFlash.h"
#include "OstraProtocol.h"
#include "data/ConsoleMessages.h"
#include "data/DataController.h"
#include "data/SonvaleData.h"
#include "data/SysExConverter.h"
#include "midi/MIDIDevice.h"
#include "midi/MIDIDeviceListener.h"
#include "midi/Win32VornMIDIController.h"

namespace {

class CCountingListener : public CMIDIDeviceListener {
public:
    // Runs on the driver's thread; while m_bHold is set it keeps that thread here, and with it every
    // other event of the driver.
    ResultCode OnDeviceEvent(std::int32_t event) override
    {
        if (event == 2)
            ++m_nChanged;
        while (m_bHold)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return RC_OK;
    }
    std::atomic<int> m_nChanged{0};
    std::atomic<bool> m_bHold{false};
};

} // namespace

class ControllerJackTest : public CJackFixture {
protected:
    void SetUp() override
    {
        CJackFixture::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ASSERT_EQ(m_data.SelectFactoryTable(), RC_OK);
        m_holder.m_pController = m_pController = new CWin32VornMIDIController;
        m_pController->m_pDevice = &m_holder;
        m_holder.m_pListener = &m_listener;
    }

    // One exchange as an update makes it: the message out (3000 ms), the reply back (given time-out),
    // then the reply's kind and code.
    ResultCode Exchange(const std::vector<std::uint8_t>& message, int& kind, std::string& name, std::uint16_t timeout = 10000)
    {
        kind = -1;
        if (const ResultCode rc = m_pController->Send(message.data(), static_cast<std::uint16_t>(message.size()), 3000);
            rc != RC_EXCHANGE_OK)
            return rc;
        std::uint8_t reply[1024];
        std::uint16_t length = sizeof reply;
        if (const ResultCode rc = m_pController->Receive(reply, &length, timeout); rc != RC_EXCHANGE_OK)
            return rc;
        char nameBuffer[64] = {};
        const ResultCode rc = m_converter.ParseReply(reply, length, nameBuffer, sizeof nameBuffer, kind);
        name = nameBuffer;
        return rc;
    }

    std::vector<std::uint8_t> DataMessage(const DataEntry& entry)
    {
        std::vector<std::uint8_t> message(CSysExConverter::kDataMessageLength);
        std::uint32_t length = static_cast<std::uint32_t>(message.size());
        EXPECT_EQ(m_converter.BuildDataMessage(message.data(), entry.parameterSets, entry.name, length), RC_OK);
        return message;
    }

    // The flash file holds this entry: its name and its 45 values as they travel (14 or 7 bits).
    static void ExpectFlashHolds(const std::string& path, const DataEntry& entry)
    {
        COstraProtocol::Entry stored;
        ASSERT_TRUE(COstraFlash::Load(path, stored)) << path;
        EXPECT_EQ(stored.name, std::string(entry.name).substr(0, 40));
        for (int set = 0; set < kParameterSetCount; ++set)
            for (int v = 0; v < kValuesPerSet; ++v)
                EXPECT_EQ(stored.values[set * 5 + v], entry.parameterSets[set].values[v] & (v == 2 ? 0x7F : 0x3FFF))
                    << entry.name << " set " << set << " value " << v + 1;
    }

    CSonvaleData m_data;
    CSysExConverter m_converter;
    CCountingListener m_listener;
    CMIDIDevice m_holder; // owns the controller
    CWin32VornMIDIController* m_pController = nullptr;
};

TEST_F(ControllerJackTest, EveryFactoryEntryIsStoredAndNamedByTheConsole)
{
    const std::string flash = TempPath("flash.txt");
    auto emulator = StartEmulator({"--name", "Ostra", "--second-pair", "Xoom", "--flash", flash});
    ASSERT_NE(emulator, nullptr);
    ASSERT_EQ(m_pController->Open(), RC_EXCHANGE_OK);
    CDataController data;
    data.SetDevice(&m_holder);
    ASSERT_EQ(data.Initialize(), RC_OK);

    std::string name;
    ASSERT_EQ(data.QueryCurrentDataName(name), RC_EXCHANGE_OK);
    EXPECT_EQ(name, "Preset");
    for (std::uint16_t i = 0; i < m_data.EntryCount(); ++i) {
        const DataEntry& entry = *m_data.EntryAt(i);
        ASSERT_EQ(data.WriteEntry(static_cast<std::uint16_t>(entry.key)), RC_EXCHANGE_OK) << entry.name;
        ExpectFlashHolds(flash, entry);
        if (i % 20 == 0 || i + 1 == m_data.EntryCount()) {
            ASSERT_EQ(data.QueryCurrentDataName(name), RC_EXCHANGE_OK);
            EXPECT_EQ(name, std::string(entry.name).substr(0, 40));
        }
    }
    // Only the "Tarn" pair was used: nothing ever reached the other one.
    EXPECT_EQ(emulator->Log().find("<- [1]"), std::string::npos);

    // A restarted console still holds the last entry.
    emulator->Stop(SIGTERM);
    emulator = StartEmulator({"--name", "Ostra", "--flash", flash});
    ASSERT_NE(emulator, nullptr);
    ASSERT_EQ(m_pController->Open(), RC_EXCHANGE_OK);
    ASSERT_EQ(data.QueryCurrentDataName(name), RC_EXCHANGE_OK);
    EXPECT_EQ(name, std::string(m_data.EntryAt(m_data.EntryCount() - 1)->name).substr(0, 40));
}

struct WriteFaultCase {
    const char* name;
    std::vector<std::string> options;
    ResultCode expected;
};

void PrintTo(const WriteFaultCase& c, std::ostream* os) { *os << c.name; }

class WriteEntryFaultTest : public ControllerJackTest, public ::testing::WithParamInterface<WriteFaultCase> {};

// What the user is told after an update is decided here: the data controller's code for each console fault.
TEST_P(WriteEntryFaultTest, GivesTheCodeTheUserIsShown)
{
    std::vector<std::string> options = {"--name", "Ostra", "--flash", TempPath("flash.txt")};
    options.insert(options.end(), GetParam().options.begin(), GetParam().options.end());
    auto emulator = StartEmulator(options);
    ASSERT_NE(emulator, nullptr);
    ASSERT_EQ(m_pController->Open(), RC_EXCHANGE_OK);
    CDataController data;
    data.SetDevice(&m_holder);
    ASSERT_EQ(data.Initialize(), RC_OK);
    EXPECT_EQ(data.WriteEntry(static_cast<std::uint16_t>(m_data.EntryAt(7)->key)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, WriteEntryFaultTest,
    ::testing::Values(WriteFaultCase{"Invalid", {"--fault", "invalid"}, RC_DATA_INVALID},
                      WriteFaultCase{"FlashFails", {"--fault", "flash-fail"}, RC_FLASH_WRITE_FAILED},
                      WriteFaultCase{"OtherKindOfReply", {"--fault", "swap"}, RC_SEND_FAILED},
                      WriteFaultCase{"Garbage", {"--fault", "garbage"}, RC_SEND_FAILED},
                      WriteFaultCase{"SplitReply", {"--fault", "split"}, RC_EXCHANGE_OK},
                      WriteFaultCase{"NoReply", {"--fault", "silent"}, RC_SEND_FAILED}), // waits the full 10 s
    [](const auto& info) { return std::string(info.param.name); });

struct FaultCase {
    const char* name;
    std::vector<std::string> options;
    ResultCode expected; // the exchange's code
    int kind;            // the reply kind, when a reply came
};

void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

class ControllerFaultTest : public ControllerJackTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(ControllerFaultTest, DataMessageGetsTheConsolesAnswer)
{
    std::vector<std::string> options = {"--name", "Ostra", "--flash", TempPath("flash.txt")};
    options.insert(options.end(), GetParam().options.begin(), GetParam().options.end());
    auto emulator = StartEmulator(options);
    ASSERT_NE(emulator, nullptr);
    ASSERT_EQ(m_pController->Open(), RC_EXCHANGE_OK);
    int kind = -1;
    std::string name;
    EXPECT_EQ(Exchange(DataMessage(*m_data.EntryAt(3)), kind, name, 2000), GetParam().expected);
    EXPECT_EQ(kind, GetParam().kind);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ControllerFaultTest,
    ::testing::Values(FaultCase{"Stored", {}, RC_OK, CSysExConverter::kReplyCompletion},
                      FaultCase{"Invalid", {"--fault", "invalid"}, RC_REPLY_DATA_INVALID, CSysExConverter::kReplyCompletion},
                      FaultCase{"FlashFails", {"--fault", "flash-fail"}, RC_REPLY_FLASH_FAILED, CSysExConverter::kReplyCompletion},
                      FaultCase{"FlashUnwritable", {"--flash", "/nonexistent-folder/flash.txt"}, RC_REPLY_FLASH_FAILED,
                                CSysExConverter::kReplyCompletion},
                      FaultCase{"OtherKindOfReply", {"--fault", "swap"}, RC_OK, CSysExConverter::kReplyIdentity},
                      FaultCase{"Garbage", {"--fault", "garbage"}, RC_OK, CSysExConverter::kReplyNone},
                      FaultCase{"SplitReply", {"--fault", "split", "--split", "5"}, RC_OK, CSysExConverter::kReplyCompletion},
                      FaultCase{"Delayed", {"--fault", "delay", "--delay", "300"}, RC_OK, CSysExConverter::kReplyCompletion},
                      FaultCase{"NoReply", {"--fault", "silent"}, RC_RECEIVE_FAILED, -1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ControllerJackTest, OfTwoConsolesOnlyTheOneWithTheLowestIdentifierReceives)
{
    const std::string flashA = TempPath("a.txt"), flashB = TempPath("b.txt");
    auto a = StartEmulator({"--name", "Ostra-A", "--flash", flashA, "--port-id", "2"});
    auto b = StartEmulator({"--name", "Ostra-B", "--flash", flashB, "--port-id", "1"});
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(m_pController->Open(), RC_EXCHANGE_OK);
    for (std::uint16_t i : {5, 17}) {
        int kind = -1;
        std::string name;
        ASSERT_EQ(Exchange(DataMessage(*m_data.EntryAt(i)), kind, name), RC_OK);
        m_pController->EndExchange();
        ExpectFlashHolds(flashB, *m_data.EntryAt(i));
    }
    EXPECT_EQ(a->Log().find("(data message"), std::string::npos) << a->Log();
}

TEST_F(ControllerJackTest, ConsolesComingAndGoingGiveOneChangeEachAndAStoppedServerOneMore)
{
    ASSERT_EQ(m_pController->Open(), RC_NO_USABLE_PORT); // the driver is there, no console yet
    auto emulator = StartEmulator({"--name", "Ostra"});
    ASSERT_NE(emulator, nullptr);
    ASSERT_TRUE(CJackTestServer::WaitFor([&] { return m_listener.m_nChanged == 1; }));
    ASSERT_EQ(m_pController->Open(), RC_EXCHANGE_OK); // what the application does on a change
    EXPECT_FALSE(CJackTestServer::WaitFor([&] { return m_listener.m_nChanged > 1; }, 600));

    emulator->Stop(SIGTERM);
    ASSERT_TRUE(CJackTestServer::WaitFor([&] { return m_listener.m_nChanged == 2; }));
    EXPECT_FALSE(CJackTestServer::WaitFor([&] { return m_listener.m_nChanged > 2; }, 500));

    // The server restarts (for another buffer size, say): the program hears of it as of a replug.
    s_server->StopKeepingName();
    ASSERT_TRUE(CJackTestServer::WaitFor([&] { return m_listener.m_nChanged == 3; }));
    EXPECT_EQ(m_pController->Open(), RC_DRIVER_UNAVAILABLE);
    std::string reason;
    ASSERT_TRUE(s_server->StartAgain(reason)) << reason;
    ASSERT_TRUE(CJackTestServer::WaitFor([&] { return m_listener.m_nChanged == 4; }, 3000));
    emulator = StartEmulator({"--name", "Ostra"});
    ASSERT_NE(emulator, nullptr);
    EXPECT_EQ(m_pController->Open(), RC_EXCHANGE_OK);

    s_server->Stop();
    ASSERT_TRUE(CJackTestServer::WaitFor([&] { return m_listener.m_nChanged == 5; }));
    EXPECT_EQ(m_pController->Open(), RC_DRIVER_UNAVAILABLE);
    const auto& request = console_messages::kIdentityRequest;
    EXPECT_EQ(m_pController->Send(request.data(), static_cast<std::uint16_t>(request.size()), 3000), RC_SEND_FAILED);
}

TEST_F(ControllerJackTest, AMessageWhoseSendGaveUpIsNeverSent)
{
    auto emulator = StartEmulator({"--name", "Ostra"});
    ASSERT_NE(emulator, nullptr);
    ASSERT_EQ(m_pController->Open(), RC_EXCHANGE_OK);
    // A new port holds its first message for a few cycles, until its connections stand: longer than
    // this Send waits.
    const auto& request = console_messages::kIdentityRequest;
    EXPECT_EQ(m_pController->Send(request.data(), static_cast<std::uint16_t>(request.size()), 2), RC_SEND_FAILED);
    int kind = -1;
    std::string name;
    EXPECT_EQ(Exchange(DataMessage(*m_data.EntryAt(3)), kind, name), RC_OK);
    EXPECT_EQ(kind, CSysExConverter::kReplyCompletion);
    EXPECT_EQ(emulator->Log().find("identity request"), std::string::npos) << emulator->Log();
}

TEST_F(ControllerJackTest, ConsoleKilledDuringAnExchangeFailsWithinTheTimeOut)
{
    auto emulator = StartEmulator({"--name", "Ostra", "--fault", "delay", "--delay", "5000"});
    ASSERT_NE(emulator, nullptr);
    ASSERT_EQ(m_pController->Open(), RC_EXCHANGE_OK);
    const auto message = DataMessage(*m_data.EntryAt(0));
    ASSERT_EQ(m_pController->Send(message.data(), static_cast<std::uint16_t>(message.size()), 3000), RC_EXCHANGE_OK);
    ASSERT_TRUE(CJackTestServer::WaitFor([&] { return emulator->Log().find("reply in") != std::string::npos; }));
    emulator->Stop(SIGKILL);
    const auto start = std::chrono::steady_clock::now();
    std::uint8_t reply[1024];
    std::uint16_t length = sizeof reply;
    EXPECT_EQ(m_pController->Receive(reply, &length, 1500), RC_RECEIVE_FAILED);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2500));
    // The next message has nowhere to go.
    EXPECT_EQ(m_pController->Send(message.data(), static_cast<std::uint16_t>(message.size()), 3000), RC_SEND_FAILED);
}

TEST_F(ControllerJackTest, TimeOutsLastAsLongAsTheyAreGiven)
{
    // Lower bounds are exact (the wait reads a millisecond clock, hence the one millisecond); upper
    // bounds leave room for a loaded machine.
    using std::chrono::milliseconds;
    const auto elapsed = [](auto start) {
        return std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - start);
    };
    auto emulator = StartEmulator({"--name", "Ostra", "--fault", "silent"});
    ASSERT_NE(emulator, nullptr);
    ASSERT_EQ(m_pController->Open(), RC_EXCHANGE_OK);
    const auto& request = console_messages::kIdentityRequest;
    const auto nLength = static_cast<std::uint16_t>(request.size());

    // A console that never answers: Receive gives up after its time-out, not before.
    ASSERT_EQ(m_pController->Send(request.data(), nLength, 3000), RC_EXCHANGE_OK);
    std::uint8_t reply[1024];
    std::uint16_t length = sizeof reply;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(m_pController->Receive(reply, &length, 1000), RC_RECEIVE_FAILED);
    EXPECT_GE(elapsed(start), milliseconds(999));
    EXPECT_LT(elapsed(start), milliseconds(3000));

    // The driver's thread held in a configuration change: no transmission result reaches Send.
    const int nChanges = m_listener.m_nChanged;
    m_listener.m_bHold = true;
    struct Release {
        std::atomic<bool>& hold;
        ~Release() { hold = false; } // also when an assertion ends the test early
    } release{m_listener.m_bHold};
    auto second = StartEmulator({"--name", "Ostra-B"});
    ASSERT_NE(second, nullptr);
    ASSERT_TRUE(CJackTestServer::WaitFor([&] { return m_listener.m_nChanged > nChanges; }));
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(m_pController->Send(request.data(), nLength, 500), RC_SEND_FAILED);
    EXPECT_GE(elapsed(start), milliseconds(499));
    EXPECT_LT(elapsed(start), milliseconds(2500));
    m_listener.m_bHold = false;
}
