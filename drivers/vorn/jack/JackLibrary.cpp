#include "JackLibrary.h"

#include <dlfcn.h>

#include <cstdlib>

#include "SystemJackProbe.h"

namespace {

jack_client_t* NoClient(const char*, jack_options_t, jack_status_t* pStatus, ...)
{
    if (pStatus != nullptr)
        *pStatus = static_cast<jack_status_t>(JackFailure | JackServerFailed);
    return nullptr;
}

void NoMessages(void (*)(const char*)) {}

const char* NoVersion()
{
    return "";
}

void NoFree(void*) {}

void Unbound(JackTable& table)
{
    table = JackTable{};
    table.jack_client_open = &NoClient;
    table.jack_set_error_function = &NoMessages;
    table.jack_set_info_function = &NoMessages;
    table.jack_get_version_string = &NoVersion;
    table.jack_free = &NoFree;
}

} // namespace

const JackTable& VornJack()
{
    return CJackLibrary::Process().Table();
}

const CJackLibrary& CJackLibrary::Process()
{
    // Deliberately never destroyed: see the class comment.
    static const CJackLibrary* const s_pLibrary = new CJackLibrary;
    return *s_pLibrary;
}

CJackLibrary::CJackLibrary()
{
    Unbound(m_table);
    CSystemJackProbe probe;
    m_choice = CJackChoice::Decide(probe);
    switch (m_choice.library) {
    case CJackChoice::Library::Loaded:
        Bind(probe.TakeHandle());
        break;
    case CJackChoice::Library::System:
        if (void* pHandle = probe.TakeHandle())
            Bind(pHandle);
        else
            Bind(dlopen("libjack.so.0", RTLD_NOW | RTLD_LOCAL));
        break;
    case CJackChoice::Library::Named:
    case CJackChoice::Library::PipeWire:
        // The system's library, asked in vain, stays loaded and idle (see CSystemJackProbe).
        (void)probe.TakeHandle();
        Bind(dlopen(m_choice.path.c_str(), RTLD_NOW | RTLD_LOCAL));
        break;
    case CJackChoice::Library::None:
        m_problem = CJackChoice::Explain(m_choice);
        break;
    }
}

void CJackLibrary::Bind(void* pHandle)
{
    if (pHandle == nullptr) {
        const char* error = dlerror();
        m_problem = std::string("the JACK library cannot be loaded: ") + (error != nullptr ? error : "unknown error");
        return;
    }
    JackTable table;
#define VORN_JACK_BIND(name)                                                                                \
    table.name = reinterpret_cast<decltype(table.name)>(dlsym(pHandle, #name));                            \
    if (table.name == nullptr) {                                                                           \
        m_problem = CSystemJackProbe::PathOf(pHandle) + " lacks the function " #name;                      \
        dlclose(pHandle);                                                                                  \
        return;                                                                                            \
    }
    VORN_JACK_FUNCTIONS(VORN_JACK_BIND)
#undef VORN_JACK_BIND
    m_table = table;
    m_pHandle = pHandle;
    m_path = CSystemJackProbe::PathOf(pHandle);
}

std::string CJackLibrary::Implementation() const
{
    if (!Loaded())
        return {};
    return ImplementationOf(m_table.jack_get_version_string(), std::getenv("JACK_DEFAULT_SERVER"));
}

std::string CJackLibrary::ImplementationOf(std::string_view versionString, const char* serverName)
{
    // PipeWire's library says "3.0.0.0 (using PipeWire 0.3.65)"; jackd's gives its own version only.
    const std::string_view mark = "PipeWire ";
    if (const auto at = versionString.find(mark); at != std::string_view::npos) {
        std::string_view version = versionString.substr(at + mark.size());
        version = version.substr(0, version.find_first_of(") "));
        return "PipeWire " + std::string(version);
    }
    return std::string("jackd, server ") + (serverName != nullptr && *serverName != '\0' ? serverName : "default");
}
