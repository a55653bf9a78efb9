#include "platform/TerminationSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace {

int g_signalPipe[2] = {-1, -1};
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

void OnTerminationSignal(int nSignal)
{
    const int saved = errno;
    const char byte = static_cast<char>(nSignal);
    (void)!::write(g_signalPipe[1], &byte, 1); // a full pipe already holds a pending request
    errno = saved;
}

void SetHandler(void (*pHandler)(int))
{
    struct sigaction action {};
    action.sa_handler = pHandler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int nSignal : kSignals)
        sigaction(nSignal, &action, nullptr);
}

} // namespace

int CTerminationSignals::Install(bool bBlockingRead)
{
    if (g_signalPipe[0] >= 0)
        return g_signalPipe[0];
    if (::pipe2(g_signalPipe, O_CLOEXEC) != 0)
        return -1;
    // The handler never blocks.
    (void)::fcntl(g_signalPipe[1], F_SETFL, O_NONBLOCK);
    if (!bBlockingRead)
        (void)::fcntl(g_signalPipe[0], F_SETFL, O_NONBLOCK);
    SetHandler(&OnTerminationSignal);
    return g_signalPipe[0];
}

void CTerminationSignals::Restore()
{
    SetHandler(SIG_DFL);
}
