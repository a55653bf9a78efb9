#include "TransportContract.h"

#include "drivers/JackRequirement.h"

void TransportContractTest::SetUp()
{
    rig = GetParam().make();
    // Only the rig over JACK can be unavailable.
    if (const std::string reason = rig->Unavailable(); !reason.empty())
        JACK_UNAVAILABLE() << GetParam().name << " unavailable: " << reason;
}

void TransportContractTest::TearDown()
{
    rig.reset();
}

ResultCode TransportContractTest::SendRequest(std::uint16_t timeout)
{
    const std::vector<std::uint8_t> request = rig->Request();
    return rig->Controller().Send(request.data(), static_cast<std::uint16_t>(request.size()), timeout);
}

std::string TransportRigName(const ::testing::TestParamInfo<TransportRigFactory>& info)
{
    return info.param.name;
}

TEST_P(TransportContractTest, ExchangeDeliversTheConsolesReply)
{
    ASSERT_EQ(rig->Controller().Open(), RC_EXCHANGE_OK);
    for (int round = 0; round < 3; ++round) {
        ASSERT_EQ(SendRequest(), RC_EXCHANGE_OK);
        std::vector<std::uint8_t> buffer(1024);
        auto length = static_cast<std::uint16_t>(buffer.size());
        ASSERT_EQ(rig->Controller().Receive(buffer.data(), &length, 10000), RC_EXCHANGE_OK);
        buffer.resize(length);
        EXPECT_EQ(buffer, rig->ExpectedReply());
    }
}

TEST_P(TransportContractTest, ReplyLongerThanTheBufferKeepsItsLeadingBytes)
{
    ASSERT_EQ(rig->Controller().Open(), RC_EXCHANGE_OK);
    ASSERT_EQ(SendRequest(), RC_EXCHANGE_OK);
    const std::vector<std::uint8_t> reply = rig->ExpectedReply();
    ASSERT_GE(reply.size(), 2U);
    std::vector<std::uint8_t> buffer(reply.size() - 1);
    auto length = static_cast<std::uint16_t>(buffer.size());
    ASSERT_EQ(rig->Controller().Receive(buffer.data(), &length, 10000), RC_BUFFER_TOO_SMALL);
    EXPECT_EQ(length, buffer.size());
    EXPECT_EQ(buffer, std::vector<std::uint8_t>(reply.begin(), reply.end() - 1));
}

TEST_P(TransportContractTest, ReopeningKeepsTheTransportWorking)
{
    ASSERT_EQ(rig->Controller().Open(), RC_EXCHANGE_OK);
    ASSERT_EQ(rig->Controller().Open(), RC_EXCHANGE_OK);
    ASSERT_EQ(SendRequest(), RC_EXCHANGE_OK);
    std::vector<std::uint8_t> buffer(1024);
    auto length = static_cast<std::uint16_t>(buffer.size());
    EXPECT_EQ(rig->Controller().Receive(buffer.data(), &length, 10000), RC_EXCHANGE_OK);
}

TEST_P(TransportContractTest, ClosedTransportRefusesAtOnce)
{
    EXPECT_EQ(SendRequest(), RC_SEND_FAILED); // never opened
    ASSERT_EQ(rig->Controller().Open(), RC_EXCHANGE_OK);
    EXPECT_EQ(rig->Controller().Close(), RC_EXCHANGE_OK);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SendRequest(60000), RC_SEND_FAILED);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    EXPECT_EQ(rig->Controller().Close(), RC_EXCHANGE_OK);
}
