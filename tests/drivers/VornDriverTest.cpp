// The driver module over a real JACK server, reached the way the program reaches it: by class
// identifier through the component runtime.
#include <gtest/gtest.h>
#include <jack/jack.h>
#include <signal.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <semaphore>
#include <set>
#include <thread>

#include "JackFixture.h"
#include "MessageRing.h"
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

// What a patchbay with remembered connections does: as soon as a driver port appears, it connects it to
// the console's pair itself, often before the driver gets to. It connects on a thread of its own, as
// libjack's callbacks must not call the server.
class CPatchbay {
public:
    ~CPatchbay()
    {
        m_bStop = true;
        m_ready.release();
        if (m_thread.joinable())
            m_thread.join();
        if (m_pClient)
            jack_client_close(m_pClient);
    }
    [[nodiscard]] bool Open(const std::string& console)
    {
        m_console = console;
        jack_status_t status{};
        m_pClient = jack_client_open("patchbay", JackNoStartServer, &status);
        const auto onRegistration = [](jack_port_id_t port, int registered, void* arg) {
            auto* self = static_cast<CPatchbay*>(arg);
            if (registered && self->m_ports.Push(&port, sizeof port))
                self->m_ready.release();
        };
        if (!m_pClient || jack_set_port_registration_callback(m_pClient, onRegistration, this) != 0)
            return false;
        m_thread = std::thread([this] { Run(); });
        return jack_activate(m_pClient) == 0;
    }
    // How many connections the patchbay made before the driver did.
    [[nodiscard]] int First() const { return m_nFirst; }
    // How many driver ports it saw appear.
    [[nodiscard]] int DriverPorts() const { return m_nDriverPorts; }

private:
    void Run()
    {
        std::uint32_t n = 0;
        while ((m_ready.acquire(), !m_bStop) && m_ports.PeekSize(n)) {
            jack_port_id_t id = 0;
            m_ports.Pop(&id, n);
            jack_port_t* pPort = jack_port_by_id(m_pClient, id);
            const std::string name = pPort ? jack_port_name(pPort) : "";
            if (name.rfind("vorn-driver", 0) != 0)
                continue;
            ++m_nDriverPorts;
            const bool toConsole = std::string(jack_port_short_name(pPort)).rfind("to-", 0) == 0;
            const std::string console = m_console + (toConsole ? ":Tarn-1-in" : ":Tarn-1-out");
            m_nFirst += jack_connect(m_pClient, (toConsole ? name : console).c_str(),
                                     (toConsole ? console : name).c_str()) == 0;
        }
    }

    jack_client_t* m_pClient = nullptr;
    std::string m_console;
    CMessageRing m_ports{4096}; // libjack's notification thread -> the patchbay's thread
    std::counting_semaphore<> m_ready{0};
    std::atomic<bool> m_bStop{false};
    std::atomic<int> m_nFirst{0};
    std::atomic<int> m_nDriverPorts{0};
    std::thread m_thread;
};

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

TEST(VornDriverWithoutServer, BothClassesCreateADriverThatSaysThereIsNoServer)
{
    ::setenv("JACK_DEFAULT_SERVER", ("sonvale-absent-" + std::to_string(::getpid())).c_str(), 1);
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    for (const CLSID& clsid : {CLSID_VornAsync, CLSID_VornAsyncLegacy}) {
        void* pv = nullptr;
        ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IVornAsync, &pv), S_OK);
        auto* pDriver = static_cast<IVornAsync*>(pv);
        CRecordingAsyncObserver observer;
        EXPECT_EQ(pDriver->Advise(VORN_ASYNC_ADVISE_ALL, &observer), S_OK);
        DeviceList list{7, nullptr};
        EXPECT_EQ(pDriver->GetDeviceList(&list), VORN_E_NO_SERVER);
        EXPECT_EQ(list.count, 0u);
        IVornAsyncDevice* pDevice = nullptr;
        EXPECT_EQ(pDriver->OpenDevice(1, &pDevice), VORN_E_NO_SERVER);
        pDriver->Release();
        EXPECT_EQ(observer.m_nRef.load(), 1u);
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
    // A client name may hold ':' (JACK splits a port's name at its last one).
    ASSERT_TRUE(odd.Open("Odd:1", {{"a", "7", std::nullopt}, {"b", "8", "Tarnx"}, {"c", "9", "Tarn", false}}));
    IVornAsync* pOther = CreateDriver(); // another copy of the driver: never a device
    ASSERT_NE(pOther, nullptr);

    m_pDriver = CreateDriver();
    ASSERT_NE(m_pDriver, nullptr);
    ASSERT_TRUE(WaitForDevice(m_pDriver, "Ostra"));
    ASSERT_TRUE(WaitForDevice(m_pDriver, "Odd:1"));
    DeviceList list{};
    ASSERT_EQ(m_pDriver->GetDeviceList(&list), S_OK);
    ASSERT_EQ(list.count, 2u);
    EXPECT_STREQ(list.pDevices[0].name, "Odd:1");
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

    IVornAsyncDevice* pOdd = OpenDeviceNamed(m_pDriver, "Odd:1");
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

TEST_F(VornDriverTest, PairsWithoutTagsAreAskedOnceWhenTheyAppearAndAConsoleAmongThemIsFound)
{
    const auto count = [](const std::string& log, const std::string& what) {
        int n = 0;
        for (std::size_t at = log.find(what); at != std::string::npos; at = log.find(what, at + 1))
            ++n;
        return n;
    };
    m_pDriver = CreateDriver();
    ASSERT_NE(m_pDriver, nullptr);
    auto hush = StartEmulator({"--name", "Hush", "--untagged", "--fault", "silent"});
    ASSERT_NE(hush, nullptr);
    // Every listing asks the pairs it has not asked yet while no console is known.
    ASSERT_TRUE(CJackTestServer::WaitFor([&] {
        DeviceList list{};
        EXPECT_EQ(m_pDriver->GetDeviceList(&list), S_OK);
        CoTaskMemFree(list.pDevices);
        return count(hush->Log(), "(identity request)") > 0;
    }, 10000));
    auto late = StartEmulator({"--name", "Late", "--untagged"});
    ASSERT_NE(late, nullptr);
    ASSERT_TRUE(WaitForDevice(m_pDriver, "Late"));
    m_pDevice = OpenDeviceNamed(m_pDriver, "Late");
    ASSERT_NE(m_pDevice, nullptr);
    const auto ports = PortsOf(m_pDevice);
    ASSERT_EQ(ports.size(), 1u);
    EXPECT_EQ(ports[0].typeCode, VORN_PORT_TYPE_TARN);
    EXPECT_EQ(ports[0].id, 1u);
    EXPECT_NE(ports[0].flags & VORN_PORT_FLAG_BY_ASKING, 0u);
    // A console that answered can be talked to like a tagged one.
    ASSERT_EQ(m_pDevice->OpenPort(ports[0].id, &m_pPort), S_OK);
    ASSERT_EQ(m_pPort->Advise(VORN_PORT_ADVISE_ALL, &m_portObserver), S_OK);
    ASSERT_EQ(m_pPort->Send(VORN_SEND_SYSEX, 10, console_messages::kIdentityRequest.data(), 0), S_OK);
    ASSERT_TRUE(m_portObserver.WaitForCount(VORN_PORT_EVENT_RECEIVED, 1));
    EXPECT_EQ(m_portObserver.Events().back().bytes, COstraProtocol::BuildIdentityReply("Preset"));
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(WaitForDevice(m_pDriver, "Late"));
    // Asked once each; the one that is no console was sent nothing else.
    EXPECT_EQ(count(hush->Log(), "<- ["), 1) << hush->Log();
    EXPECT_EQ(count(hush->Log(), "(identity request)"), 1) << hush->Log();
    EXPECT_EQ(count(late->Log(), "(identity request)"), 2) << late->Log(); // the asking, then our own
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
    // The first message the port took, and its answer from a later cycle, told after it.
    EXPECT_EQ(events[0].message, 1u);
    EXPECT_GT(events.back().cycle, events[0].cycle);
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

TEST_F(VornDriverTest, ConnectionsAPatchbayMadeFirstCountAsTheDriversOwn)
{
    auto emulator = StartEmulator({"--name", "Ostra"});
    ASSERT_NE(emulator, nullptr);
    CPatchbay patchbay;
    ASSERT_TRUE(patchbay.Open("Ostra"));
    m_pDriver = CreateDriver();
    ASSERT_NE(m_pDriver, nullptr);
    ASSERT_TRUE(WaitForDevice(m_pDriver, "Ostra"));
    m_pDevice = OpenDeviceNamed(m_pDriver, "Ostra");
    ASSERT_NE(m_pDevice, nullptr);
    for (int round = 0; round < 8; ++round) {
        CRecordingPortObserver observer;
        IVornAsyncPort* pPort = nullptr;
        ASSERT_EQ(m_pDevice->OpenPort(1, &pPort), S_OK) << "round " << round;
        ASSERT_EQ(pPort->Advise(VORN_PORT_ADVISE_ALL, &observer), S_OK);
        ASSERT_EQ(pPort->Send(VORN_SEND_SYSEX, 10, console_messages::kIdentityRequest.data(), 0), S_OK);
        EXPECT_TRUE(observer.WaitForCount(VORN_PORT_EVENT_RECEIVED, 1)) << "round " << round;
        pPort->Release();
    }
    EXPECT_GT(patchbay.First(), 0); // else the case was not met
    // One pair served every round: ports that come and go on an active client race libjack's own
    // notification thread.
    EXPECT_EQ(patchbay.DriverPorts(), 2);
}

TEST_F(VornDriverTest, AMessageSentJustBeforeThePortIsReleasedStillLeaves)
{
    auto emulator = StartEmulator({"--name", "Ostra"});
    ASSERT_NE(emulator, nullptr);
    ASSERT_NO_FATAL_FAILURE(OpenTarnPort("Ostra"));
    ASSERT_EQ(m_pPort->Send(VORN_SEND_SYSEX, 10, console_messages::kIdentityRequest.data(), 0), S_OK);
    m_pPort->Release();
    m_pPort = nullptr;
    EXPECT_TRUE(CJackTestServer::WaitFor([&] { return emulator->Log().find("<- [0]") != std::string::npos; }, 2000));
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
    IVornAsync* pLater = CreateDriver();
    ASSERT_NE(pLater, nullptr);
    EXPECT_EQ(pLater->GetDeviceList(&list), VORN_E_NO_SERVER);
    pLater->Release();
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

TEST_F(VornDriverTest, AKilledTestServersSlotInJacksRegistryIsFreedForTheNext)
{
    const auto registry = [] {
        std::ifstream file("/dev/shm/jack-shm-registry", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    };
    const std::string name = "sonvale-test-killed-" + std::to_string(::getpid());
    CChildProcess jackd;
    ASSERT_TRUE(jackd.Start({"jackd", "--no-realtime", "-n", name, "-d", "dummy"}, TempPath("killed.log")));
    ASSERT_TRUE(CJackTestServer::WaitFor([&] { return registry().find(":" + name + ":") != std::string::npos; }));
    jackd.Stop(SIGKILL);
    EXPECT_NE(registry().find(":" + name + ":"), std::string::npos); // JACK keeps the slot of a killed server
    EXPECT_GE(CJackTestServer::FreeStaleRegistrySlots(), 1);
    EXPECT_EQ(registry().find(":" + name + ":"), std::string::npos);
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/shm", ec))
        if (entry.path().filename().string().find(name) != std::string::npos)
            std::filesystem::remove(entry.path(), ec);
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
    // A delivery under way when the port went holds the observer until it returns, and no longer.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (m_portObserver.m_nRef.load() != 1u && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(m_portObserver.m_nRef.load(), 1u);
    m_pDevice->Release();
    m_pDevice = nullptr;
    // The driver thread and JACK's threads of the client are gone.
    EXPECT_TRUE(CJackTestServer::WaitFor([&] { return ThreadCount() <= threadsBefore; }, 2000))
        << ThreadCount() << " threads, " << threadsBefore << " before";
}
