// The driver module over a real JACK server, reached the way the program reaches it: by class
// identifier through the component runtime.
#include <gtest/gtest.h>
#include <jack/jack.h>
#include <signal.h>

#include <cstring>
#include <fstream>
#include <set>
#include <thread>

#include "JackFixture.h"
#include "OstraProtocol.h"
#include "RecordingObservers.h"
#include "TestJackDevice.h"
#include "data/ConsoleMessages.h"
#include "platform/ComRuntime.h"

namespace {

std::vector<PortInfo> PortsOf(IVornAsyncDevice* pDevice)
{
    PortList list{};
    EXPECT_EQ(pDevice->GetPortList(&list), S_OK);
    std::vector<PortInfo> ports(list.pPorts, list.pPorts + list.count);
    CoTaskMemFree(list.pPorts);
    return ports;
}

int ThreadCount()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Threads:", 0) == 0)
            return std::stoi(line.substr(8));
    return -1;
}

} // namespace

class VornDriverTest : public CJackFixture {
protected:
    void TearDown() override
    {
        if (m_pPort)
            m_pPort->Release();
        if (m_pDevice)
            m_pDevice->Release();
        if (m_pDriver)
            m_pDriver->Release();
        CJackFixture::TearDown();
    }

    // A driver object, the named device and its first "Tarn" port, observed by m_portObserver.
    void OpenTarnPort(const std::string& deviceName)
    {
        m_pDriver = CreateDriver();
        ASSERT_NE(m_pDriver, nullptr);
        ASSERT_TRUE(WaitForDevice(m_pDriver, deviceName));
        m_pDevice = OpenDeviceNamed(m_pDriver, deviceName);
        ASSERT_NE(m_pDevice, nullptr);
        for (const PortInfo& info : PortsOf(m_pDevice)) {
            if (info.typeCode == VORN_PORT_TYPE_TARN && !m_pPort) {
                ASSERT_EQ(m_pDevice->OpenPort(info.id, &m_pPort), S_OK);
            }
        }
        ASSERT_NE(m_pPort, nullptr);
        ASSERT_EQ(m_pPort->Advise(VORN_PORT_ADVISE_ALL, &m_portObserver), S_OK);
    }

    IVornAsync* m_pDriver = nullptr;
    IVornAsyncDevice* m_pDevice = nullptr;
    IVornAsyncPort* m_pPort = nullptr;
    // Members, so that they outlive the driver objects TearDown releases.
    CRecordingPortObserver m_portObserver;
    CRecordingAsyncObserver m_asyncObserver;
};

TEST(VornDriverWithoutServer, NeitherClassCanBeCreatedAndTheFailureSaysWhy)
{
    ::setenv("JACK_DEFAULT_SERVER", ("sonvale-absent-" + std::to_string(::getpid())).c_str(), 1);
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    for (const CLSID& clsid : {CLSID_VornAsync, CLSID_VornAsyncLegacy}) {
        void* pv = reinterpret_cast<void*>(1);
        EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IVornAsync, &pv), VORN_E_NO_SERVER);
        EXPECT_EQ(pv, nullptr);
    }
    CoUninitialize();
}

TEST_F(VornDriverTest, BothClassesCreateTheDriverObject)
{
    for (const CLSID& clsid : {CLSID_VornAsync, CLSID_VornAsyncLegacy}) {
        IVornAsync* pDriver = CreateDriver(clsid);
        ASSERT_NE(pDriver, nullptr);
        void* pv = nullptr;
        EXPECT_EQ(pDriver->QueryInterface(IID_IUnknown, &pv), S_OK);
        static_cast<IUnknown*>(pv)->Release();
        EXPECT_EQ(pDriver->QueryInterface(IID_IVornAsyncDevice, &pv), E_NOINTERFACE);
        EXPECT_EQ(pv, nullptr);
        pDriver->Release();
    }
}

TEST_F(VornDriverTest, DevicesAreOtherClientsWithPortPairs)
{
    auto emulator = StartEmulator({"--name", "Ostra", "--second-pair", "Xoom"});
    ASSERT_NE(emulator, nullptr);
    // Untagged ports, a pair without a type, a five-character type, a pair without an output port.
    CTestJackDevice plain, odd;
    ASSERT_TRUE(plain.Open("Plain", {{"midi", std::nullopt, std::nullopt}}));
    ASSERT_TRUE(odd.Open("Odd", {{"a", "7", std::nullopt}, {"b", "8", "Tarnx"}, {"c", "9", "Tarn", false}}));
    IVornAsync* pOther = CreateDriver(); // another copy of the driver: never a device
    ASSERT_NE(pOther, nullptr);

    m_pDriver = CreateDriver();
    ASSERT_NE(m_pDriver, nullptr);
    ASSERT_TRUE(WaitForDevice(m_pDriver, "Ostra"));
    ASSERT_TRUE(WaitForDevice(m_pDriver, "Odd"));
    DeviceList list{};
    ASSERT_EQ(m_pDriver->GetDeviceList(&list), S_OK);
    ASSERT_EQ(list.count, 2u);
    EXPECT_STREQ(list.pDevices[0].name, "Odd");
    EXPECT_STREQ(list.pDevices[1].name, "Ostra");
    // The record's first 8 bytes are the client's JACK UUID, low byte first.
    std::uint64_t id = 0;
    for (int i = 7; i >= 0; --i)
        id = (id << 8) | reinterpret_cast<const std::uint8_t*>(&list.pDevices[0])[i];
    EXPECT_EQ(id, odd.Uuid());
    const std::uint64_t ostraId = list.pDevices[1].id;
    CoTaskMemFree(list.pDevices);

    ASSERT_EQ(m_pDriver->OpenDevice(ostraId, &m_pDevice), S_OK);
    const auto ports = PortsOf(m_pDevice);
    ASSERT_EQ(ports.size(), 2u);
    EXPECT_EQ(ports[0].id, 1u);
    EXPECT_EQ(ports[0].typeCode, VORN_PORT_TYPE_TARN);
    EXPECT_EQ(ports[1].id, 2u);
    EXPECT_EQ(ports[1].typeCode, 0x586F6F6Du); // "Xoom"

    IVornAsyncDevice* pOdd = OpenDeviceNamed(m_pDriver, "Odd");
    ASSERT_NE(pOdd, nullptr);
    const auto oddPorts = PortsOf(pOdd);
    ASSERT_EQ(oddPorts.size(), 2u);
    EXPECT_EQ(oddPorts[0].typeCode, 0u); // no type: never "Tarn"
    EXPECT_EQ(oddPorts[1].typeCode, 0u); // not four characters
    pOdd->Release();

    IVornAsyncDevice* pMissing = reinterpret_cast<IVornAsyncDevice*>(1);
    EXPECT_TRUE(FAILED(m_pDriver->OpenDevice(ostraId + 12345, &pMissing)));
    EXPECT_EQ(pMissing, nullptr);
    pOther->Release();
}

TEST_F(VornDriverTest, IdentityRequestIsAnsweredOnTheDriverThread)
{
    auto emulator = StartEmulator({"--name", "Ostra"});
    ASSERT_NE(emulator, nullptr);
    ASSERT_NO_FATAL_FAILURE(OpenTarnPort("Ostra"));

    ASSERT_EQ(m_pPort->Send(VORN_SEND_SYSEX, 10, console_messages::kIdentityRequest.data(), 0), S_OK);
    ASSERT_TRUE(m_portObserver.WaitForCount(VORN_PORT_EVENT_RECEIVED, 1));
    const auto events = m_portObserver.Events();
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events[0].type, VORN_PORT_EVENT_SENT);
    EXPECT_EQ(events[0].first, 1u);
    EXPECT_EQ(events[0].second, 10u);
    EXPECT_EQ(events.back().bytes, COstraProtocol::BuildIdentityReply("Preset"));
    for (const RecordedEvent& e : events) {
        EXPECT_EQ(e.pSource, m_pPort);
        EXPECT_NE(e.thread, std::this_thread::get_id());
        EXPECT_EQ(e.thread, events[0].thread);
    }
}

TEST_F(VornDriverTest, ReplySplitOverSeveralEventsArrivesWhole)
{
    auto emulator = StartEmulator({"--name", "Ostra", "--fault", "split", "--split", "4"});
    ASSERT_NE(emulator, nullptr);
    ASSERT_NO_FATAL_FAILURE(OpenTarnPort("Ostra"));
    ASSERT_EQ(m_pPort->Send(VORN_SEND_SYSEX, 10, console_messages::kIdentityRequest.data(), 0), S_OK);
    ASSERT_TRUE(m_portObserver.WaitForCount(VORN_PORT_EVENT_RECEIVED, 1));
    EXPECT_EQ(m_portObserver.Events().back().bytes, COstraProtocol::BuildIdentityReply("Preset"));
    EXPECT_EQ(m_portObserver.Count(VORN_PORT_EVENT_RECEIVE_ERROR), 0u);
}

TEST_F(VornDriverTest, ReceivedEventsAreReassembledAndBrokenOnesReported)
{
    CTestJackDevice deck;
    ASSERT_TRUE(deck.Open("Deck", {{"main", "3", "Tarn"}}));
    ASSERT_NO_FATAL_FAILURE(OpenTarnPort("Deck"));

    std::vector<std::uint8_t> overlong(2000, 0x11);
    overlong.front() = 0xF0;
    overlong.back() = 0xF7;
    ASSERT_TRUE(deck.SendEvents(0, {
                                       {0xF0, 0x01, 0x02},       // a message begins
                                       {0xF8, 0x03, 0xF7},       // clock inside it, then its end
                                       {0xF0, 0x05},             // cut short by ...
                                       {0xF0, 0x06, 0xF7},       // ... the next message
                                       overlong,                 // 2000 bytes in one event
                                   }));
    ASSERT_TRUE(m_portObserver.WaitForCount(VORN_PORT_EVENT_RECEIVED, 3));
    std::vector<std::vector<std::uint8_t>> messages;
    std::vector<std::int32_t> types;
    for (const RecordedEvent& e : m_portObserver.Events()) {
        types.push_back(e.type);
        if (e.type == VORN_PORT_EVENT_RECEIVED)
            messages.push_back(e.bytes);
    }
    EXPECT_EQ(types, (std::vector<std::int32_t>{1, 2, 1, 1}));
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0], (std::vector<std::uint8_t>{0xF0, 0x01, 0x02, 0x03, 0xF7}));
    EXPECT_EQ(messages[1], (std::vector<std::uint8_t>{0xF0, 0x06, 0xF7}));
    EXPECT_EQ(messages[2], overlong);
}

TEST_F(VornDriverTest, SendingToAConsoleThatWasKilledFails)
{
    auto emulator = StartEmulator({"--name", "Ostra"});
    ASSERT_NE(emulator, nullptr);
    ASSERT_NO_FATAL_FAILURE(OpenTarnPort("Ostra"));
    ASSERT_EQ(m_pPort->Send(VORN_SEND_SYSEX, 10, console_messages::kIdentityRequest.data(), 0), S_OK);
    ASSERT_TRUE(m_portObserver.WaitForCount(VORN_PORT_EVENT_RECEIVED, 1));

    emulator->Stop(SIGKILL);
    // Once JACK has dropped the dead client's ports, the driver's port has nowhere to send to. JACK
    // takes about five seconds to give up on a killed client, longer on a loaded machine.
    const bool failed = CJackTestServer::WaitFor(
        [&] {
            m_portObserver.Clear();
            if (m_pPort->Send(VORN_SEND_SYSEX, 10, console_messages::kIdentityRequest.data(), 0) != S_OK)
                return false;
            return m_portObserver.WaitForCount(VORN_PORT_EVENT_SENT, 1, 2000)
                   && m_portObserver.Events().front().first == 0;
        },
        30000);
    EXPECT_TRUE(failed);
}

TEST_F(VornDriverTest, SendRefusesWhatIsNotOneMessage)
{
    auto emulator = StartEmulator({"--name", "Ostra"});
    ASSERT_NE(emulator, nullptr);
    ASSERT_NO_FATAL_FAILURE(OpenTarnPort("Ostra"));
    EXPECT_EQ(m_pPort->Send(1, 10, console_messages::kIdentityRequest.data(), 0), E_INVALIDARG);
    EXPECT_EQ(m_pPort->Send(VORN_SEND_SYSEX, 0, console_messages::kIdentityRequest.data(), 0), E_INVALIDARG);
    EXPECT_EQ(m_pPort->Send(VORN_SEND_SYSEX, 10, nullptr, 0), E_INVALIDARG);
    EXPECT_EQ(m_pPort->Send(VORN_SEND_SYSEX, 10, console_messages::kIdentityRequest.data(), 1), E_INVALIDARG);
    const std::vector<std::uint8_t> huge(1 << 20, 0x00);
    EXPECT_TRUE(FAILED(m_pPort->Send(VORN_SEND_SYSEX, static_cast<std::uint32_t>(huge.size()), huge.data(), 0)));
    // Nothing was taken, so no outcome follows; the next good message gets the first one.
    ASSERT_EQ(m_pPort->Send(VORN_SEND_SYSEX, 10, console_messages::kIdentityRequest.data(), 0), S_OK);
    ASSERT_TRUE(m_portObserver.WaitForCount(VORN_PORT_EVENT_RECEIVED, 1));
    EXPECT_EQ(m_portObserver.Count(VORN_PORT_EVENT_SENT), 1u);
}

TEST_F(VornDriverTest, GraphChangesGiveOneChangedEventPerBurst)
{
    m_pDriver = CreateDriver();
    ASSERT_NE(m_pDriver, nullptr);
    CRecordingAsyncObserver& observer = m_asyncObserver;
    ASSERT_EQ(m_pDriver->Advise(VORN_ASYNC_ADVISE_ALL, &observer), S_OK);

    auto emulator = StartEmulator({"--name", "Ostra"});
    ASSERT_NE(emulator, nullptr);
    ASSERT_TRUE(observer.WaitForCount(VORN_ASYNC_EVENT_CONFIG_CHANGED, 1));
    EXPECT_GE(observer.Count(VORN_ASYNC_EVENT_CONFIG_NOTICE), 1u);
    EXPECT_EQ(observer.Events().front().type, VORN_ASYNC_EVENT_CONFIG_NOTICE);

    // Another driver object opening a port is not a change of the network: no copy of the program
    // reopens because another one did.
    IVornAsync* pOther = CreateDriver();
    ASSERT_NE(pOther, nullptr);
    IVornAsyncDevice* pDevice = OpenDeviceNamed(pOther, "Ostra");
    ASSERT_NE(pDevice, nullptr);
    IVornAsyncPort* pPort = nullptr;
    ASSERT_EQ(pDevice->OpenPort(1, &pPort), S_OK);
    pPort->Release();
    pDevice->Release();
    pOther->Release();
    EXPECT_FALSE(observer.WaitForCount(VORN_ASYNC_EVENT_CONFIG_CHANGED, 2, 600));
    const std::size_t noticesBefore = observer.Count(VORN_ASYNC_EVENT_CONFIG_NOTICE);

    EXPECT_EQ(emulator->Stop(SIGTERM), 0);
    ASSERT_TRUE(observer.WaitForCount(VORN_ASYNC_EVENT_CONFIG_CHANGED, 2));
    EXPECT_GT(observer.Count(VORN_ASYNC_EVENT_CONFIG_NOTICE), noticesBefore);
    EXPECT_FALSE(observer.WaitForCount(VORN_ASYNC_EVENT_CONFIG_CHANGED, 3, 500));
    for (const RecordedEvent& e : observer.Events())
        EXPECT_NE(e.thread, std::this_thread::get_id());
}

TEST_F(VornDriverTest, ServerShutdownIsReportedAndLaterCallsFail)
{
    auto emulator = StartEmulator({"--name", "Ostra"});
    ASSERT_NE(emulator, nullptr);
    ASSERT_NO_FATAL_FAILURE(OpenTarnPort("Ostra"));
    CRecordingAsyncObserver& observer = m_asyncObserver;
    ASSERT_EQ(m_pDriver->Advise(VORN_ASYNC_ADVISE_ALL, &observer), S_OK);

    s_server->Stop();
    ASSERT_TRUE(observer.WaitForCount(VORN_ASYNC_EVENT_CONFIG_CHANGED, 1));
    EXPECT_FALSE(observer.WaitForCount(VORN_ASYNC_EVENT_CONFIG_CHANGED, 2, 300));
    DeviceList list{};
    EXPECT_TRUE(FAILED(m_pDriver->GetDeviceList(&list)));
    EXPECT_EQ(list.pDevices, nullptr);
    EXPECT_TRUE(FAILED(m_pPort->Send(VORN_SEND_SYSEX, 10, console_messages::kIdentityRequest.data(), 0)));
    EXPECT_EQ(CreateDriver(), nullptr);
    // Releasing after the server went away must still be clean.
    m_pPort->Release();
    m_pPort = nullptr;
    m_pDevice->Release();
    m_pDevice = nullptr;
    m_pDriver->Release();
    m_pDriver = nullptr;
    EXPECT_EQ(observer.m_nRef.load(), 1u);
    EXPECT_EQ(m_portObserver.m_nRef.load(), 1u);
}

TEST_F(VornDriverTest, ReleasingEverythingStopsTheDriverAndLetsGoOfObservers)
{
    auto emulator = StartEmulator({"--name", "Ostra"});
    ASSERT_NE(emulator, nullptr);
    const int threadsBefore = ThreadCount();
    ASSERT_NO_FATAL_FAILURE(OpenTarnPort("Ostra"));
    CRecordingAsyncObserver& observer = m_asyncObserver;
    ASSERT_EQ(m_pDriver->Advise(VORN_ASYNC_ADVISE_ALL, &observer), S_OK);
    EXPECT_EQ(observer.m_nRef.load(), 2u);
    EXPECT_EQ(m_portObserver.m_nRef.load(), 2u);
    ASSERT_EQ(m_pPort->Send(VORN_SEND_SYSEX, 10, console_messages::kIdentityRequest.data(), 0), S_OK);

    // The driver object goes first; its devices and ports keep working.
    m_pDriver->Release();
    m_pDriver = nullptr;
    EXPECT_EQ(observer.m_nRef.load(), 1u);
    ASSERT_TRUE(m_portObserver.WaitForCount(VORN_PORT_EVENT_RECEIVED, 1));

    m_pPort->Release();
    m_pPort = nullptr;
    EXPECT_EQ(m_portObserver.m_nRef.load(), 1u);
    m_pDevice->Release();
    m_pDevice = nullptr;
    // The driver thread and JACK's threads of the client are gone.
    EXPECT_TRUE(CJackTestServer::WaitFor([&] { return ThreadCount() <= threadsBefore; }, 2000))
        << ThreadCount() << " threads, " << threadsBefore << " before";
}
