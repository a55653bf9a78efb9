#include "JackTestServer.h"

#include <jack/jack.h>
#include <jack/metadata.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/sem.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>

#include "PortTags.h"

namespace {

bool ServerAnswers()
{
    jack_status_t status{};
    jack_client_t* pClient = jack_client_open("sonvale-probe", JackNoStartServer, &status);
    if (!pClient)
        return false;
    jack_client_close(pClient);
    return true;
}

void Silent(const char*) {}

bool OnPath(const std::string& program)
{
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "";
    for (std::size_t start = 0; start <= folders.size();) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const std::string folder = end > start ? folders.substr(start, end - start) : ".";
        if (::access((folder + "/" + program).c_str(), X_OK) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

} // namespace

// JACK keeps the port metadata of every server of a user in one database, which a stopping server
// deletes: two test servers at once would see and spoil each other's port tags. So test programs
// (any build, any working copy) take turns: the lock is held from start to stop.
bool CJackTestServer::TakeTurn(std::string& reason)
{
    switch (m_turn.Acquire(CFileLock::Mode::Exclusive, std::chrono::minutes(2))) {
    case CFileLock::Outcome::Held:
        return true;
    case CFileLock::Outcome::TimedOut:
        reason = "another test run held the JACK test lock for two minutes";
        return false;
    case CFileLock::Outcome::Unavailable:
        break;
    }
    reason = "cannot open the JACK test lock";
    return false;
}

bool CJackTestServer::Start(unsigned periodFrames, std::string& reason, std::vector<std::string> serverOptions)
{
    static std::atomic<unsigned> counter{0};
    // Checked before taking a turn: waiting for the lock is no use when no server can start.
    if (!OnPath("jackd")) {
        reason = "jackd is not installed (not on PATH)";
        return false;
    }
    if (!m_turn.Held() && !TakeTurn(reason))
        return false;
    m_period = periodFrames;
    m_serverOptions = std::move(serverOptions);
    m_name = "sonvale-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    ::setenv("JACK_DEFAULT_SERVER", m_name.c_str(), 1);
    jack_set_error_function(&Silent);
    jack_set_info_function(&Silent);
    return Launch(reason);
}

bool CJackTestServer::Launch(std::string& reason)
{
    (void)FreeStaleRegistrySlots();
    const std::string log = (std::filesystem::temp_directory_path() / (m_name + ".log")).string();
    std::vector<std::string> argv = {"jackd", "--no-realtime", "--sync", "-n", m_name};
    argv.insert(argv.end(), m_serverOptions.begin(), m_serverOptions.end());
    argv.insert(argv.end(), {"-d", "dummy", "-r", std::to_string(SampleRate()), "-p", std::to_string(m_period)});
    if (!m_process.Start(argv, log)) {
        reason = "jackd cannot be started";
        return false;
    }
    if (!WaitFor([&] { return !m_process.Running() || ServerAnswers(); }, 10000) || !m_process.Running()) {
        reason = "jackd did not come up: " + m_process.Log();
        m_process.Stop(SIGKILL);
        // A server killed without its shutdown (a crashed run) keeps its slot in JACK's machine-wide
        // registry; eight such slots and no server starts any more. With no server running at all,
        // everything JACK keeps in /dev/shm is stale and is cleared once.
        if (reason.find("Too many servers") != std::string::npos && !m_bCleared && !AnyJackServerRuns()) {
            ClearStaleSharedMemory();
            m_bCleared = true;
            return Launch(reason);
        }
        return false;
    }
    if (!SetTagsAside()) {
        reason = "the port tags of earlier servers could not be set aside";
        Stop();
        return false;
    }
    return true;
}

// Port tags live in the user's one JACK metadata store, shared by all of the user's servers and keyed
// by the numbers a server gives its ports, which every new server gives from the start again. Tags a
// user's own server holds (or an earlier server left behind) would land on this server's ports; so while
// a test server runs, this project's keys are set aside, and put back when it stops. Other keys stay.
bool CJackTestServer::SetTagsAside()
{
    jack_status_t status{};
    jack_client_t* pClient = jack_client_open("sonvale-probe", JackNoStartServer, &status);
    if (!pClient)
        return false;
    jack_description_t* descriptions = nullptr;
    const int count = jack_get_all_properties(&descriptions);
    bool removed = count >= 0;
    for (int d = 0; d < count; ++d) {
        const jack_description_t& description = descriptions[d];
        for (std::uint32_t p = 0; p < description.property_cnt; ++p) {
            const jack_property_t& property = description.properties[p];
            if (!property.key || std::string_view(property.key).rfind(VORN_KEY_PREFIX, 0) != 0)
                continue;
            if (!m_bTagsAside)
                m_asideTags.push_back({description.subject, property.key, property.data ? property.data : "",
                                       property.type ? property.type : ""});
            removed = jack_remove_property(pClient, description.subject, property.key) == 0 && removed;
        }
        jack_free_description(&descriptions[d], 0);
    }
    jack_free(descriptions);
    m_bTagsAside = true;
    jack_client_close(pClient);
    return removed;
}

void CJackTestServer::PutTagsBack()
{
    if (!m_bTagsAside || !m_process.Running())
        return;
    (void)SetTagsAside(); // what the tests left
    jack_status_t status{};
    if (jack_client_t* pClient = jack_client_open("sonvale-probe", JackNoStartServer, &status)) {
        for (const Tag& tag : m_asideTags)
            jack_set_property(pClient, tag.subject, tag.key.c_str(), tag.value.c_str(),
                              tag.type.empty() ? nullptr : tag.type.c_str());
        jack_client_close(pClient);
    }
    m_asideTags.clear();
    m_bTagsAside = false;
}

namespace {

// JACK's server registry at the start of /dev/shm/jack-shm-registry: a header, then eight slots of a
// process id and a name ("jack-UID:SERVER:"), guarded by a System V semaphore JACK also takes.
constexpr key_t REGISTRY_SEMAPHORE = 0x282929;
constexpr std::uint32_t REGISTRY_MAGIC = 0x4A41434B; // "KCAJ" as the bytes lie
constexpr std::size_t SLOTS_AT = 24, SLOT_BYTES = 264, SLOT_COUNT = 8;

bool RegistryLock(int semaphore, short change)
{
    sembuf op{0, change, SEM_UNDO};
    const timespec limit{2, 0};
    return ::semtimedop(semaphore, &op, 1, change < 0 ? &limit : nullptr) == 0;
}

} // namespace

int CJackTestServer::FreeStaleRegistrySlots()
{
    const int semaphore = ::semget(REGISTRY_SEMAPHORE, 1, 0);
    const int fd = ::open("/dev/shm/jack-shm-registry", O_RDWR | O_CLOEXEC);
    if (semaphore < 0 || fd < 0 || !RegistryLock(semaphore, -1)) {
        if (fd >= 0)
            ::close(fd);
        return -1;
    }
    int freed = -1;
    std::uint32_t header[6] = {};
    if (::pread(fd, header, sizeof header, 0) == sizeof header && header[0] == REGISTRY_MAGIC
        && header[4] == SLOTS_AT + SLOT_COUNT * SLOT_BYTES) {
        freed = 0;
        for (std::size_t i = 0; i < SLOT_COUNT; ++i) {
            std::array<char, SLOT_BYTES> slot{};
            const off_t at = static_cast<off_t>(SLOTS_AT + i * SLOT_BYTES);
            if (::pread(fd, slot.data(), slot.size(), at) != static_cast<ssize_t>(slot.size()))
                break;
            pid_t pid = 0;
            std::memcpy(&pid, slot.data(), sizeof pid);
            const std::string name(slot.data() + sizeof pid, strnlen(slot.data() + sizeof pid, SLOT_BYTES - sizeof pid));
            // What JACK itself does with a stale slot of the name it registers: clear it.
            if (pid > 0 && name.find(":sonvale-test-") != std::string::npos && ::kill(pid, 0) != 0 && errno == ESRCH) {
                slot.fill(0);
                freed += ::pwrite(fd, slot.data(), slot.size(), at) == static_cast<ssize_t>(slot.size()) ? 1 : 0;
            }
        }
    }
    (void)RegistryLock(semaphore, 1);
    ::close(fd);
    return freed;
}

bool CJackTestServer::AnyJackServerRuns()
{
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
        std::ifstream comm(entry.path() / "comm");
        std::string name;
        if (std::getline(comm, name) && (name == "jackd" || name == "jackdbus"))
            return true;
    }
    return false;
}

void CJackTestServer::ClearStaleSharedMemory()
{
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/shm", ec)) {
        const std::string file = entry.path().filename().string();
        if (file.rfind("jack", 0) == 0)
            std::filesystem::remove_all(entry.path(), ec);
    }
}

void CJackTestServer::StopKeepingName()
{
    PutTagsBack();
    // jackd may take a while to let go of clients that died; killing it instead would leave its slot
    // in JACK's registry behind.
    m_process.Stop(SIGTERM, std::chrono::seconds(20));
}

void CJackTestServer::Stop()
{
    StopKeepingName();
    if (!m_name.empty()) {
        std::error_code ec;
        std::filesystem::remove(std::filesystem::temp_directory_path() / (m_name + ".log"), ec);
        // Clients killed on purpose leave their semaphores behind.
        for (const auto& entry : std::filesystem::directory_iterator("/dev/shm", ec)) {
            const std::string file = entry.path().filename().string();
            if (file.rfind("jack", 0) == 0 && file.find("_" + m_name + "_") != std::string::npos)
                std::filesystem::remove(entry.path(), ec);
        }
    }
    m_turn.Release();
}
