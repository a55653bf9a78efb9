#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "midi/MIDIController.h"

// The contract every transport honours, run against each way of reaching a console (the scripted
// driver here; a real driver module elsewhere). A rig provides a controller, closed, whose network has
// at least one console that confirms every message and answers it.
class TransportRig {
public:
    virtual ~TransportRig() = default;
    // Why the rig cannot run here (the test is then skipped with it), or empty.
    [[nodiscard]] virtual std::string Unavailable() { return {}; }
    [[nodiscard]] virtual CMIDIController& Controller() = 0;
    // A request the console answers, and the answer it gives.
    [[nodiscard]] virtual std::vector<std::uint8_t> Request() = 0;
    [[nodiscard]] virtual std::vector<std::uint8_t> ExpectedReply() = 0;
};

struct TransportRigFactory {
    std::string name;
    std::function<std::unique_ptr<TransportRig>()> make;
};

// Instantiate with INSTANTIATE_TEST_SUITE_P(Name, TransportContractTest, ::testing::Values(factory...),
// TransportRigName).
class TransportContractTest : public ::testing::TestWithParam<TransportRigFactory> {
protected:
    void SetUp() override;
    void TearDown() override;

    ResultCode SendRequest(std::uint16_t timeout = 3000);

    std::unique_ptr<TransportRig> rig;
};

std::string TransportRigName(const ::testing::TestParamInfo<TransportRigFactory>& info);
