#include "FakeVornDriver.h"
#include "TransportContract.h"
#include "TransportFixture.h"

// The transport contract over the scripted driver.

namespace {

class ScriptedRig : public TransportRig {
public:
    ~ScriptedRig() override
    {
        controller.reset();
        EXPECT_TRUE(driver.WaitIdle());
        EXPECT_EQ(driver.LiveObjects(), 0);
    }
    CMIDIController& Controller() override { return *controller; }
    std::vector<std::uint8_t> Request() override { return kRequest; }
    std::vector<std::uint8_t> ExpectedReply() override { return kReply; }

private:
    FakeVornDriver driver{OneConsole()};
    std::unique_ptr<CWin32VornMIDIController> controller = std::make_unique<CWin32VornMIDIController>();
};

} // namespace

INSTANTIATE_TEST_SUITE_P(Scripted, TransportContractTest,
                         ::testing::Values(TransportRigFactory{"ScriptedDriver", [] {
                             return std::unique_ptr<TransportRig>(std::make_unique<ScriptedRig>());
                         }}),
                         TransportRigName);
