#include "midi/ConsoleLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

// How often a waiting program looks whether the lock came free. Exchanges last tens of milliseconds.
constexpr auto kPollInterval = std::chrono::milliseconds(2);

// A folder that only this user can reach: its own, not a link, no access for others.
bool IsPrivateFolder(const std::string& path, bool bCreate)
{
    if (path.empty() || path.front() != '/')
        return false;
    if (bCreate && ::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid())
        return false;
    return (info.st_mode & 0077) == 0 || !bCreate;
}

} // namespace

// Every program of this user that reaches a JACK server must find the same folder, whatever its
// environment: the desktop program has a login session's XDG_RUNTIME_DIR, a script run by cron or over
// ssh may have none or another, and jackd's servers are this user's alike for all of them.
std::string CConsoleLock::Folder()
{
    const std::string uid = std::to_string(::getuid());
    const std::string runtime = "/run/user/" + uid;
    if (IsPrivateFolder(runtime, false))
        return runtime;
    const std::string own = "/tmp/sonvale-" + uid;
    return IsPrivateFolder(own, true) ? own : std::string();
}

std::string CConsoleLock::ServerName()
{
    const char* server = std::getenv("JACK_DEFAULT_SERVER");
    return server && server[0] ? server : "default";
}

namespace {

void AppendEscaped(std::string& name, const std::string& part)
{
    for (const char c : part) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') ||
            byte == '-' || byte == '_' || byte == '.') {
            name += c;
        } else {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X", static_cast<unsigned>(byte));
            name += escape;
        }
    }
}

} // namespace

std::string CConsoleLock::FileName(const std::string& server, const std::string& client, std::uint32_t pairId)
{
    std::string name = "sonvale-console-";
    AppendEscaped(name, server);
    name += '+';
    AppendEscaped(name, client);
    name += '+' + std::to_string(pairId) + ".lock";
    return name;
}

void CConsoleLock::SetConsole(const std::string& server, const std::string& client, std::uint32_t pairId)
{
    SetFileName(FileName(server, client, pairId));
}

void CConsoleLock::SetGraph(const std::string& server)
{
    std::string name = "sonvale-graph-";
    AppendEscaped(name, server);
    SetFileName(name + ".lock");
}

void CConsoleLock::SetFileName(std::string fileName)
{
    if (fileName == m_fileName)
        return;
    Forget();
    m_fileName = std::move(fileName);
}

void CConsoleLock::Forget()
{
    Release();
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_fileName.clear();
}

bool CConsoleLock::Acquire(std::uint32_t timeoutMs, bool bShared)
{
    if (m_bHeld && m_bShared == bShared)
        return true;
    m_bShared = bShared;
    if (m_fd < 0 && !m_fileName.empty()) {
        const std::string folder = Folder();
        if (!folder.empty())
            m_fd = ::open((folder + '/' + m_fileName).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    }
    if (m_fd < 0) {
        // Nowhere to meet other programs: the exchange goes ahead as it would without them.
        m_bHeld = true;
        return true;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (::flock(m_fd, (bShared ? LOCK_SH : LOCK_EX) | LOCK_NB) == 0) {
            m_bHeld = true;
            return true;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            m_bHeld = true;
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(kPollInterval);
    }
}

void CConsoleLock::Release()
{
    if (m_bHeld && m_fd >= 0)
        ::flock(m_fd, LOCK_UN);
    m_bHeld = false;
}

std::string CConsoleLock::ReadNote() const
{
    if (m_fd < 0)
        return {};
    char buffer[256];
    const ssize_t n = ::pread(m_fd, buffer, sizeof buffer, 0);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

bool CConsoleLock::WriteNote(std::string_view note)
{
    if (m_fd < 0 || !m_bHeld)
        return false;
    return ::ftruncate(m_fd, 0) == 0 &&
           ::pwrite(m_fd, note.data(), note.size(), 0) == static_cast<ssize_t>(note.size());
}
