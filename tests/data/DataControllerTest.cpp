#include "data/ConsoleMessages.h"
#include "data/DataController.h"
#include "data/FakeMIDIController.h"
#include "midi/MIDIDevice.h"
#include "platform/SystemLanguage.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

using namespace console_messages;

constexpr std::uint16_t kPresetKey = 0;

// A controller on a holder of its own that owns a scripted fake console, over the English table.
class DataControllerExchange : public testing::Test {
protected:
    void SetUp() override
    {
        SetSystemDefaultLangIDOverride(LANG_ENGLISH);
        m_pFake = new FakeMIDIController;
        m_device.m_pController = m_pFake;
        m_controller.SetDevice(&m_device);
        ASSERT_EQ(m_controller.Initialize(), RC_OK);
    }
    void TearDown() override { SetSystemDefaultLangIDOverride(std::nullopt); }

    CMIDIDevice m_device;
    FakeMIDIController* m_pFake = nullptr; // owned by m_device
    CDataController m_controller;
};

Bytes Padded(Bytes bytes, std::size_t size)
{
    bytes.resize(size, 0x00);
    return bytes;
}

// ---------------------------------------------------------------------------------------------------
// Writing an entry

TEST_F(DataControllerExchange, PresetGoesOutAsExactlyItsDataMessageWithTheExchangeTimeouts)
{
    m_pFake->Respond(kCompletion);
    EXPECT_EQ(m_controller.WriteEntry(kPresetKey), RC_EXCHANGE_OK);
    ASSERT_EQ(m_pFake->sent.size(), 1u);
    EXPECT_EQ(m_pFake->sent[0], kPresetMessage);
    EXPECT_EQ(m_pFake->sendTimeouts, std::vector<std::uint16_t>{3000});
    EXPECT_EQ(m_pFake->receiveTimeouts, std::vector<std::uint16_t>{10000});
    EXPECT_EQ(m_pFake->receiveCapacities, std::vector<std::uint16_t>{1024});
}

TEST_F(DataControllerExchange, KeyOutsideTheDataSetSendsNothing)
{
    for (const std::uint16_t key : {std::uint16_t{59}, std::uint16_t{9999}, std::uint16_t{0xFFFF}}) {
        m_pFake->Respond(kCompletion);
        EXPECT_EQ(m_controller.WriteEntry(key), RC_SEND_FAILED) << key;
    }
    EXPECT_EQ(m_pFake->sendCount, 0);
    EXPECT_EQ(m_pFake->receiveCount, 0);
}

// The console's completion status decides the result of an update.
class CompletionStatus : public DataControllerExchange,
                         public testing::WithParamInterface<std::pair<std::uint8_t, ResultCode>> {};

TEST_P(CompletionStatus, MapsToTheUpdateResult)
{
    const auto [status, expected] = GetParam();
    m_pFake->Respond(WithByte(kCompletion, 9, status));
    EXPECT_EQ(m_controller.WriteEntry(kPresetKey), expected);
}

INSTANTIATE_TEST_SUITE_P(Statuses, CompletionStatus,
                         testing::Values(std::pair{std::uint8_t{0x7F}, RC_EXCHANGE_OK},
                                         std::pair{std::uint8_t{0x7E}, RC_DATA_INVALID},
                                         std::pair{std::uint8_t{0x7D}, RC_FLASH_WRITE_FAILED},
                                         std::pair{std::uint8_t{0x7C}, RC_SEND_FAILED}));

using Fault = CDataController::ExchangeFault;

// Every way an update can fail short of a completion reply is the connection-error result; an identity
// reply answers another program and the update waits on for its own reply.
struct FailedUpdate {
    const char* what;
    void (*script)(FakeMIDIController&);
    int receives; // how far the exchange got
    Fault fault; // what the command line tells the user
};

void PrintTo(const FailedUpdate& failure, std::ostream* os) { *os << failure.what; }

class UpdateWithoutCompletion : public DataControllerExchange, public testing::WithParamInterface<FailedUpdate> {};

TEST_P(UpdateWithoutCompletion, IsASendFailure)
{
    GetParam().script(*m_pFake);
    EXPECT_EQ(m_controller.WriteEntry(kPresetKey), RC_SEND_FAILED);
    EXPECT_EQ(m_pFake->sendCount, 1);
    EXPECT_EQ(m_pFake->receiveCount, GetParam().receives);
    EXPECT_EQ(m_controller.LastFault(), GetParam().fault);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, UpdateWithoutCompletion,
    testing::Values(
        FailedUpdate{"IdentityReply", [](FakeMIDIController& f) { f.Respond(kIdentity); }, 2,
                     Fault::OtherReplies},
        FailedUpdate{"NoReply", [](FakeMIDIController& f) { f.Silence(); }, 1, Fault::NoReply},
        FailedUpdate{"ReplyAfterTheTimeout", [](FakeMIDIController& f) { f.Respond(kCompletion, 10000); }, 1,
                     Fault::NoReply},
        FailedUpdate{"RefusedSend",
                     [](FakeMIDIController& f) {
                         f.refuseSend = true;
                         f.Respond(kCompletion);
                     },
                     0, Fault::NothingSent},
        FailedUpdate{"SendNotConfirmedInTime",
                     [](FakeMIDIController& f) {
                         f.sendConfirmDelayMs = 3000;
                         f.Respond(kCompletion);
                     },
                     0, Fault::NothingSent},
        // A completion reply at its head does not make an over-long message a reply.
        FailedUpdate{"ReplyLongerThanTheBuffer", [](FakeMIDIController& f) { f.Respond(Padded(kCompletion, 1025)); }, 1,
                     Fault::WrongReply},
        FailedUpdate{"CompletionCutShort",
                     [](FakeMIDIController& f) { f.Respond(Bytes(kCompletion.begin(), kCompletion.end() - 1)); }, 1,
                     Fault::WrongReply},
        FailedUpdate{"EmptyReply", [](FakeMIDIController& f) { f.Respond({}); }, 1, Fault::WrongReply},
        FailedUpdate{"EchoOfTheDataMessage", [](FakeMIDIController& f) { f.Respond(kPresetMessage); }, 1,
                     Fault::WrongReply}),
    [](const testing::TestParamInfo<FailedUpdate>& info) { return std::string(info.param.what); });

TEST_F(DataControllerExchange, RepliesJustInsideTheTimeoutsAndTheBufferAreTaken)
{
    m_pFake->sendConfirmDelayMs = 2999;
    m_pFake->Respond(Padded(kCompletion, 1024), 9999);
    EXPECT_EQ(m_controller.WriteEntry(kPresetKey), RC_EXCHANGE_OK);
}

// The controller is looked up in the holder at every exchange: the application may have replaced it.
TEST_F(DataControllerExchange, EachExchangeUsesTheControllerTheHolderHasNow)
{
    m_pFake->Respond(kCompletion);
    ASSERT_EQ(m_controller.WriteEntry(kPresetKey), RC_EXCHANGE_OK);

    auto* pSecond = new FakeMIDIController;
    delete m_device.m_pController;
    m_device.m_pController = m_pFake = pSecond;
    pSecond->Respond(WithByte(kCompletion, 9, 0x7D));
    EXPECT_EQ(m_controller.WriteEntry(kPresetKey), RC_FLASH_WRITE_FAILED);
    EXPECT_EQ(pSecond->sendCount, 1);

    delete m_device.m_pController;
    m_device.m_pController = m_pFake = nullptr;
    std::string name = "kept";
    EXPECT_EQ(m_controller.WriteEntry(kPresetKey), RC_SEND_FAILED);
    EXPECT_EQ(m_controller.QueryCurrentDataName(name), RC_RECEIVE_FAILED);
    EXPECT_EQ(name, "kept");
}

class DataControllerUnconnected : public testing::Test {
protected:
    void SetUp() override { SetSystemDefaultLangIDOverride(LANG_ENGLISH); }
    void TearDown() override { SetSystemDefaultLangIDOverride(std::nullopt); }
};

TEST_F(DataControllerUnconnected, WithoutAHolderNothingIsExchanged)
{
    CDataController controller;
    EXPECT_EQ(controller.Device(), nullptr);
    ASSERT_EQ(controller.Initialize(), RC_OK);
    std::string name;
    EXPECT_EQ(controller.WriteEntry(kPresetKey), RC_SEND_FAILED);
    EXPECT_EQ(controller.QueryCurrentDataName(name), RC_RECEIVE_FAILED);
}

TEST_F(DataControllerUnconnected, BeforeInitialiseNothingIsSent)
{
    CMIDIDevice device;
    auto* pFake = new FakeMIDIController;
    device.m_pController = pFake;
    CDataController controller;
    controller.SetDevice(&device);
    pFake->Respond(kCompletion);
    std::string name;
    EXPECT_EQ(controller.WriteEntry(kPresetKey), RC_SEND_FAILED);
    EXPECT_EQ(controller.QueryCurrentDataName(name), RC_RECEIVE_FAILED);
    EXPECT_EQ(pFake->sendCount, 0);
    EXPECT_EQ(controller.EntryCount(), 0);
}

// ---------------------------------------------------------------------------------------------------
// Asking for the current entry

TEST_F(DataControllerExchange, IdentityReplyGivesTheNameOfTheConsolesEntry)
{
    m_pFake->Respond(kIdentity);
    std::string name = "previous";
    EXPECT_EQ(m_controller.QueryCurrentDataName(name), RC_EXCHANGE_OK);
    EXPECT_EQ(name, "Preset");
    ASSERT_EQ(m_pFake->sent.size(), 1u);
    EXPECT_EQ(m_pFake->sent[0], kIdentityRequest);
    EXPECT_EQ(m_pFake->sendTimeouts, std::vector<std::uint16_t>{3000});
    EXPECT_EQ(m_pFake->receiveTimeouts, std::vector<std::uint16_t>{10000});
    EXPECT_EQ(m_pFake->receiveCapacities, std::vector<std::uint16_t>{1024});
}

// An identity reply whose name length byte is `length`, with `field` in its 40-byte name field.
Bytes IdentityReply(std::uint8_t length, const std::string& field)
{
    Bytes reply = WithByte(kIdentity, 11, length);
    std::fill(reply.begin() + 12, reply.begin() + 52, 0x00);
    std::copy(field.begin(), field.end(), reply.begin() + 12);
    reply[53] = Checksum(reply, 7, 53);
    return reply;
}

TEST_F(DataControllerExchange, NameLengthsUpToTheNameBufferAreAccepted)
{
    const std::string field40 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmn";
    struct Case {
        std::uint8_t length;
        std::string expected;
    };
    // The name buffer holds 256 bytes: a length of 255 still fits with its terminator. Only the 40
    // bytes of the name field are ever significant.
    for (const Case& c : {Case{0, ""}, Case{40, field40}, Case{41, field40}, Case{0x7F, field40},
                          Case{254, field40}, Case{255, field40}}) {
        SCOPED_TRACE(static_cast<int>(c.length));
        m_pFake->Respond(IdentityReply(c.length, field40));
        std::string name = "previous";
        EXPECT_EQ(m_controller.QueryCurrentDataName(name), RC_EXCHANGE_OK);
        EXPECT_EQ(name, c.expected);
    }
}

TEST_F(DataControllerExchange, IdentityReplyFillingTheReplyBufferIsTakenOneByteMoreIsNot)
{
    m_pFake->Respond(Padded(kIdentity, 1024));
    m_pFake->Respond(Padded(kIdentity, 1025));
    std::string name;
    EXPECT_EQ(m_controller.QueryCurrentDataName(name), RC_EXCHANGE_OK);
    EXPECT_EQ(name, "Preset");
    name = "previous";
    EXPECT_EQ(m_controller.QueryCurrentDataName(name), RC_RECEIVE_FAILED);
    EXPECT_EQ(name, "previous");
}

// Anything but an intact identity reply leaves the shown name alone and reports the query failed.
struct FailedQuery {
    const char* what;
    void (*script)(FakeMIDIController&);
};

void PrintTo(const FailedQuery& failure, std::ostream* os) { *os << failure.what; }

class QueryWithoutIdentity : public DataControllerExchange, public testing::WithParamInterface<FailedQuery> {};

TEST_P(QueryWithoutIdentity, IsAReceiveFailure)
{
    GetParam().script(*m_pFake);
    std::string name = "previous";
    EXPECT_EQ(m_controller.QueryCurrentDataName(name), RC_RECEIVE_FAILED);
    EXPECT_EQ(name, "previous");
    EXPECT_EQ(m_pFake->sendCount, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, QueryWithoutIdentity,
    testing::Values(
        FailedQuery{"CompletionReply", [](FakeMIDIController& f) { f.Respond(kCompletion); }},
        FailedQuery{"FailedCompletionReply", [](FakeMIDIController& f) { f.Respond(WithByte(kCompletion, 9, 0x7E)); }},
        FailedQuery{"NoReply", [](FakeMIDIController& f) { f.Silence(); }},
        FailedQuery{"ReplyAfterTheTimeout", [](FakeMIDIController& f) { f.Respond(kIdentity, 10000); }},
        FailedQuery{"RefusedSend",
                    [](FakeMIDIController& f) {
                        f.refuseSend = true;
                        f.Respond(kIdentity);
                    }},
        FailedQuery{"WrongChecksum", [](FakeMIDIController& f) { f.Respond(WithByte(kIdentity, 53, 0x64)); }},
        FailedQuery{"CutShort", [](FakeMIDIController& f) { f.Respond(Bytes(kIdentity.begin(), kIdentity.end() - 1)); }}),
    [](const testing::TestParamInfo<FailedQuery>& info) { return std::string(info.param.what); });

} // namespace
