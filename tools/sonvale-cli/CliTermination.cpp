#include "CliTermination.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/FileSaver.h"
#include "platform/TerminationRequest.h"
#include "platform/TerminationSignals.h"

namespace {

int g_nSignalPipe = -1;

// What the watcher and the exchanges share.
std::mutex g_mutex;
CTerminationRequest g_request;
int g_nExchanges = 0;
bool g_bHonouring = false;

void Say(const char* text)
{
    (void)!::write(STDERR_FILENO, text, std::strlen(text));
}

// Runs on the watcher thread for each signal, with g_mutex held; bHonouring as it stood before the
// signals read together with this one.
void Act(int nSignal, bool bHonouring)
{
    switch (g_request.Add(nSignal, bHonouring)) {
    case CTerminationRequest::Meaning::First:
        if (g_nExchanges == 0)
            CFileSaver::EndProcessBetweenSaves(g_request.ExitStatus());
        g_bHonouring = true;
        Say("\nsonvale-cli: ending once the console has answered (asked again, ends at once)\n");
        return;
    case CTerminationRequest::Meaning::Again:
        CFileSaver::EndProcessBetweenSaves(g_request.ExitStatus());
    case CTerminationRequest::Meaning::Same:
        return;
    }
}

void Watch()
{
    for (;;) {
        char buffer[64];
        const ssize_t nRead = ::read(g_nSignalPipe, buffer, sizeof buffer);
        if (nRead < 0 && errno == EINTR)
            continue;
        if (nRead <= 0)
            return;
        // Signals that came together are one request, as in the window.
        const std::lock_guard lock(g_mutex);
        const bool bHonouring = g_bHonouring;
        for (ssize_t i = 0; i < nRead; ++i)
            Act(static_cast<unsigned char>(buffer[i]), bHonouring);
    }
}

} // namespace

bool CCliTermination::Install()
{
    if (g_nSignalPipe >= 0)
        return true;
    const int nPipe = CTerminationSignals::Install(true);
    if (nPipe < 0)
        return false;
    g_nSignalPipe = nPipe;
    try {
        std::thread(Watch).detach();
    } catch (const std::system_error&) {
        CTerminationSignals::Restore();
        return false;
    }
    return true;
}

CCliTermination::Exchange::Exchange()
{
    const std::lock_guard lock(g_mutex);
    ++g_nExchanges;
}

CCliTermination::Exchange::~Exchange()
{
    const std::lock_guard lock(g_mutex);
    --g_nExchanges;
}

int CCliTermination::ExitStatus(int status)
{
    const std::lock_guard lock(g_mutex);
    return g_request.IsRequested() ? g_request.ExitStatus() : status;
}
