#include "JackFixture.h"

#include <cstdlib>

#include <signal.h>

#include <algorithm>
#include <filesystem>

#include "JackRequirement.h"
#include "platform/ComRuntime.h"

std::unique_ptr<CJackTestServer> CJackFixture::s_server;
std::string CJackFixture::s_skipReason;

void CJackFixture::TearDownTestSuite() { s_server.reset(); }

void CJackFixture::SetUp()
{
    if (!s_server || !s_server->Running() || s_server->PeriodFrames() != PeriodFrames()) {
        s_server = std::make_unique<CJackTestServer>();
        s_skipReason.clear();
        if (!s_server->Start(PeriodFrames(), s_skipReason))
            s_server.reset();
    }
    if (!s_server)
        JACK_UNAVAILABLE() << "no private JACK server (" << s_skipReason << ")";
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    m_bComInitialized = true;
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string leaf = s_server->Name() + "-" + info->test_suite_name() + "-" + info->name();
    std::replace(leaf.begin(), leaf.end(), '/', '_');
    m_tempDir = (std::filesystem::temp_directory_path() / leaf).string();
    std::filesystem::create_directories(m_tempDir);
    // The driver's rules file is the test's own: a console found by asking is kept there, never in the
    // user's.
    ::setenv("XDG_CONFIG_HOME", (m_tempDir + "/config").c_str(), 1);
}

void CJackFixture::TearDown()
{
    if (m_bComInitialized)
        CoUninitialize();
    if (!m_tempDir.empty())
        std::filesystem::remove_all(m_tempDir);
}

std::string CJackFixture::TempPath(const std::string& name) const { return m_tempDir + "/" + name; }

std::unique_ptr<CChildProcess> CJackFixture::StartEmulator(const std::vector<std::string>& options)
{
    auto process = std::make_unique<CChildProcess>();
    std::vector<std::string> argv = {OSTRA_EMULATOR_PATH};
    argv.insert(argv.end(), options.begin(), options.end());
    const std::string log = TempPath("emulator-" + std::to_string(m_emulatorCount++) + ".log");
    EXPECT_TRUE(process->Start(argv, log));
    const bool ready = CJackTestServer::WaitFor(
        [&] { return process->Log().find("ready:") != std::string::npos || !process->Running(); });
    if (!ready || !process->Running()) {
        ADD_FAILURE() << "the emulator did not come up: " << process->Log();
        return nullptr;
    }
    return process;
}

IVornAsync* CJackFixture::CreateDriver(const CLSID& clsid)
{
    void* pv = nullptr;
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IVornAsync, &pv)))
        return nullptr;
    return static_cast<IVornAsync*>(pv);
}

IVornAsyncDevice* CJackFixture::OpenDeviceNamed(IVornAsync* pDriver, const std::string& name)
{
    DeviceList list{};
    if (FAILED(pDriver->GetDeviceList(&list)))
        return nullptr;
    IVornAsyncDevice* pDevice = nullptr;
    for (std::uint32_t i = 0; i < list.count && !pDevice; ++i)
        if (name == list.pDevices[i].name && FAILED(pDriver->OpenDevice(list.pDevices[i].id, &pDevice)))
            pDevice = nullptr;
    CoTaskMemFree(list.pDevices);
    return pDevice;
}

bool CJackFixture::WaitForDevice(IVornAsync* pDriver, const std::string& name, int timeoutMs)
{
    return CJackTestServer::WaitFor(
        [&] {
            IVornAsyncDevice* pDevice = OpenDeviceNamed(pDriver, name);
            if (!pDevice)
                return false;
            pDevice->Release();
            return true;
        },
        timeoutMs);
}
