// The transport contract over the driver module, a private JACK server and one emulated console.
#include <signal.h>

#include <filesystem>

#include "ChildProcess.h"
#include "JackTestServer.h"
#include "OstraProtocol.h"
#include "data/ConsoleMessages.h"
#include "midi/TransportContract.h"
#include "midi/Win32VornMIDIController.h"

namespace {

class JackRig : public TransportRig {
public:
    JackRig()
    {
        if (!m_server.Start(256, m_reason))
            return;
        m_log = (std::filesystem::temp_directory_path() / (m_server.Name() + "-emulator.log")).string();
        if (!m_emulator.Start({OSTRA_EMULATOR_PATH, "--name", "Ostra"}, m_log)
            || !CJackTestServer::WaitFor([&] { return m_emulator.Log().find("ready:") != std::string::npos; })) {
            m_reason = "the emulator did not come up: " + m_emulator.Log();
            return;
        }
        m_controller = std::make_unique<CWin32VornMIDIController>();
    }
    ~JackRig() override
    {
        m_controller.reset();
        m_emulator.Stop(SIGTERM);
        m_server.Stop();
        std::error_code ec;
        std::filesystem::remove(m_log, ec);
    }
    std::string Unavailable() override { return m_reason; }
    CMIDIController& Controller() override { return *m_controller; }
    std::vector<std::uint8_t> Request() override
    {
        return console_messages::kIdentityRequest;
    }
    std::vector<std::uint8_t> ExpectedReply() override { return COstraProtocol::BuildIdentityReply("Preset"); }

private:
    CJackTestServer m_server;
    CChildProcess m_emulator;
    std::string m_log;
    std::string m_reason;
    std::unique_ptr<CWin32VornMIDIController> m_controller;
};

} // namespace

INSTANTIATE_TEST_SUITE_P(Jack, TransportContractTest,
                         ::testing::Values(TransportRigFactory{"JackDriver", [] {
                             return std::unique_ptr<TransportRig>(std::make_unique<JackRig>());
                         }}),
                         TransportRigName);
