#include "midi/ConsoleTurn.h"

std::string CConsoleTurn::FileName(const std::string& server, const std::string& client, std::uint32_t pairId)
{
    return "sonvale-console-" + CFileLock::Escaped(server) + '+' + CFileLock::Escaped(client) + '+' +
           std::to_string(pairId) + ".lock";
}

void CConsoleTurn::SetConsole(const std::string& server, const std::string& client, std::uint32_t pairId)
{
    std::string fileName = FileName(server, client, pairId);
    if (fileName == m_fileName)
        return;
    Forget();
    m_lock.SetNameInFolder(fileName);
    m_fileName = std::move(fileName);
}

void CConsoleTurn::Forget()
{
    Release();
    m_lock.SetPath({});
    m_fileName.clear();
}

bool CConsoleTurn::Acquire(std::uint32_t timeoutMs)
{
    const CFileLock::Outcome outcome = m_lock.Acquire(CFileLock::Mode::Exclusive, std::chrono::milliseconds(timeoutMs));
    m_bWithoutLock = outcome == CFileLock::Outcome::Unavailable;
    return outcome != CFileLock::Outcome::TimedOut;
}

void CConsoleTurn::Release()
{
    m_lock.Release();
    m_bWithoutLock = false;
}

std::string CConsoleTurn::LedgerPath() const
{
    // The lock's own name, fitted to its folder already, with another ending of the same length.
    std::string path = m_lock.Path();
    constexpr std::string_view kLock = ".lock";
    if (path.size() < kLock.size() || path.compare(path.size() - kLock.size(), kLock.size(), kLock) != 0)
        return {};
    path.replace(path.size() - kLock.size(), kLock.size(), ".owed");
    return path;
}
