#include "SystemJackProbe.h"

#include <dlfcn.h>
#include <link.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <utility>
#include <jack/jack.h>

namespace {

constexpr const char* SYSTEM_LIBRARY = "libjack.so.0";

std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

void Quiet(const char*) {}

} // namespace

CSystemJackProbe::~CSystemJackProbe()
{
    Release();
}

std::string CSystemJackProbe::LoadedLibrary()
{
    // The library another part of this process chose: the named one, else PipeWire's, else the system's.
    // PipeWire's goes before the system's name, which would also match a system library that stays
    // loaded, unused, after its server did not answer; the name matches PipeWire's library as well
    // when pw-jack made it the system's.
    for (const std::string& candidate : {Override(), PipeWireLibrary(), std::string(SYSTEM_LIBRARY)}) {
        if (candidate.empty())
            continue;
        if (void* pHandle = dlopen(candidate.c_str(), RTLD_NOW | RTLD_NOLOAD)) {
            Release();
            m_pHandle = pHandle;
            return PathOf(pHandle);
        }
    }
    return {};
}

std::string CSystemJackProbe::Override()
{
    return Environment("SONVALE_JACK_LIBRARY");
}

bool CSystemJackProbe::FileExists(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string CSystemJackProbe::PipeWireSocket()
{
    std::string remote = Environment("PIPEWIRE_REMOTE");
    if (remote.empty())
        remote = "pipewire-0";
    if (remote.front() == '/')
        return remote;
    std::string folder = Environment("PIPEWIRE_RUNTIME_DIR");
    if (folder.empty())
        folder = Environment("XDG_RUNTIME_DIR");
    return folder.empty() ? std::string() : folder + "/" + remote;
}

bool CSystemJackProbe::PipeWireAnswers()
{
    const std::string path = PipeWireSocket();
    sockaddr_un address{};
    if (path.empty() || path.size() >= sizeof address.sun_path)
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool answers = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return answers;
}

std::string CSystemJackProbe::PipeWireLibrary()
{
    for (const char* folder : {"/usr/lib/" VORN_LIBRARY_ARCHITECTURE, "/lib/" VORN_LIBRARY_ARCHITECTURE,
                               "/usr/lib64", "/usr/lib"}) {
        std::string path = std::string(folder) + "/pipewire-0.3/jack/libjack.so.0";
        if (FileExists(path))
            return path;
    }
    return {};
}

bool CSystemJackProbe::SystemServerAnswers()
{
    if (m_pHandle == nullptr)
        m_pHandle = dlopen(SYSTEM_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (m_pHandle == nullptr)
        return false;
    using Open = decltype(&jack_client_open);
    using Close = decltype(&jack_client_close);
    using Messages = decltype(&jack_set_error_function);
    auto open = reinterpret_cast<Open>(dlsym(m_pHandle, "jack_client_open"));
    auto close = reinterpret_cast<Close>(dlsym(m_pHandle, "jack_client_close"));
    auto errors = reinterpret_cast<Messages>(dlsym(m_pHandle, "jack_set_error_function"));
    auto infos = reinterpret_cast<Messages>(dlsym(m_pHandle, "jack_set_info_function"));
    if (open == nullptr || close == nullptr)
        return false;
    // A missing server is the expected answer here, not worth libjack's dozen lines.
    if (errors != nullptr && infos != nullptr) {
        errors(&Quiet);
        infos(&Quiet);
    }
    // For the moment it is open, the probe is a client on that server's graph, which every running copy
    // of the driver watches. Named as a driver client ("vorn-driver-" and more), it is not taken for a
    // device coming and going: otherwise every start of sonvale-cli or of the program would make the
    // open windows reconnect and ask their console again, even while another program holds its turn.
    jack_status_t status{};
    jack_client_t* pClient = open("vorn-driver-probe", JackNoStartServer, &status);
    if (pClient == nullptr)
        return false;
    close(pClient);
    return true;
}

void* CSystemJackProbe::TakeHandle()
{
    return std::exchange(m_pHandle, nullptr);
}

void CSystemJackProbe::Release()
{
    if (m_pHandle != nullptr)
        dlclose(std::exchange(m_pHandle, nullptr));
}

std::string CSystemJackProbe::PathOf(void* handle)
{
    link_map* pMap = nullptr;
    if (handle == nullptr || dlinfo(handle, RTLD_DI_LINKMAP, &pMap) != 0 || pMap == nullptr || pMap->l_name == nullptr)
        return {};
    return pMap->l_name;
}
