#include "midi/GraphLock.h"

#include <cstdlib>

void CGraphLock::SetServer(const std::string& server)
{
    if (m_bNamed && server == m_server)
        return;
    m_lock.SetNameInFolder("sonvale-graph-" + CFileLock::Escaped(server) + ".lock");
    m_server = server;
    m_bNamed = true;
}

bool CGraphLock::Acquire(CFileLock::Mode mode, std::uint32_t timeoutMs)
{
    return m_lock.Acquire(mode, std::chrono::milliseconds(timeoutMs)) != CFileLock::Outcome::TimedOut;
}

void CGraphLock::TakeForChange()
{
    SetServer(ServerName());
    (void)Acquire(CFileLock::Mode::Exclusive, kChangeWaitMs);
}

std::string CGraphLock::ServerName()
{
    const char* server = std::getenv("JACK_DEFAULT_SERVER");
    return server && server[0] ? server : "default";
}
