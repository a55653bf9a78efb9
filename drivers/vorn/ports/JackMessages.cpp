#include "JackMessages.h"

#include "WeakJack.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void Quiet(const char*) {}

void ToStandardError(const char* message)
{
    std::fprintf(stderr, "vorn-jack: libjack: %s\n", message);
}

} // namespace

bool CJackMessages::Verbose()
{
    const char* value = std::getenv("VORN_JACK_VERBOSE");
    return value != nullptr && *value != '\0' && std::strcmp(value, "0") != 0;
}

void CJackMessages::Route()
{
    const bool verbose = Verbose();
    jack_set_error_function(verbose ? &ToStandardError : &Quiet);
    jack_set_info_function(verbose ? &ToStandardError : &Quiet);
}

jack_client_t* CJackMessages::OpenClient(const std::string& name, bool& noServer)
{
    Route();
    jack_status_t status{};
    jack_client_t* pClient = jack_client_open(name.c_str(), JackNoStartServer, &status);
    noServer = !pClient && (status & JackServerFailed) != 0;
    return pClient;
}
