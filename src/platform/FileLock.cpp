#include "platform/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <thread>

namespace {

// How often a waiting program looks whether the lock came free. Exchanges last tens of milliseconds.
constexpr auto kPollInterval = std::chrono::milliseconds(2);
// The longest file name where the file system does not say (the limit of every Linux file system).
constexpr long kNameMax = 255;

// A folder only this user can reach: a real folder of this user's, no access for others. With bMake,
// the folder is made when missing and closed to others when it is not.
bool IsPrivateFolder(const std::string& path, bool bMake)
{
    if (bMake && ::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info {};
    bool bPrivate = ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid();
    if (bPrivate && (info.st_mode & 0077) != 0)
        bPrivate = bMake && ::fchmod(fd, 0700) == 0;
    ::close(fd);
    return bPrivate;
}

// A folder nobody but this user (and root) can change the lock file's name in: its owner is one of the
// two, and others cannot write to it unless it is sticky, where they cannot replace this user's files.
bool IsSafeFolder(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return false;
    if (info.st_uid != ::getuid() && info.st_uid != 0)
        return false;
    return (info.st_mode & S_IWOTH) == 0 || (info.st_mode & S_ISVTX) != 0;
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// FNV-1a, 64 bits: stable across builds and programs, which must all fit a name the same way.
std::uint64_t HashOf(std::string_view text)
{
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

} // namespace

CFileLock::CFileLock(std::string path, mode_t permissions)
{
    SetPath(std::move(path), permissions);
}

void CFileLock::SetPath(std::string path, mode_t permissions)
{
    if (path == m_path && !path.empty())
        return;
    Release();
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_bOpenReported = false;
    m_name = path;
    m_path = std::move(path);
    m_permissions = permissions;
}

void CFileLock::SetNameInFolder(std::string_view fileName)
{
    const std::string folder = Folder();
    if (folder.empty()) {
        if (m_path.empty() && m_name == fileName)
            return; // reported once already
        SetPath({});
        m_name = fileName;
        return;
    }
    const long limit = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    const auto fitted = static_cast<std::size_t>(limit > 0 ? std::min(limit, kNameMax) : kNameMax);
    SetPath(folder + '/' + FitName(fileName, fitted), 0600);
}

namespace {

std::string RuntimeFolder() { return "/run/user/" + std::to_string(::getuid()); }
std::string OwnFolder() { return "/tmp/sonvale-" + std::to_string(::getuid()); }

} // namespace

std::string CFileLock::Folder()
{
    // The desktop program has a login session's XDG_RUNTIME_DIR, a script run by cron or over ssh may
    // have none or another one; all of them must meet in one folder, so the variable is not asked.
    const std::string runtime = RuntimeFolder();
    if (IsPrivateFolder(runtime, false))
        return runtime;
    const std::string own = OwnFolder();
    return IsPrivateFolder(own, true) ? own : std::string();
}

std::string CFileLock::FolderCandidates() { return RuntimeFolder() + " or " + OwnFolder(); }

std::string CFileLock::Escaped(std::string_view part)
{
    std::string name;
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
    return name;
}

std::string CFileLock::FitName(std::string_view name, std::size_t limit)
{
    if (name.size() <= limit)
        return std::string(name);
    const std::string_view ending = name.ends_with(".lock") ? std::string_view(".lock") : std::string_view();
    char hash[20];
    std::snprintf(hash, sizeof hash, "~%016llx", static_cast<unsigned long long>(HashOf(name)));
    const std::size_t added = std::strlen(hash) + ending.size();
    const std::size_t kept = limit > added ? limit - added : 0;
    return std::string(name.substr(0, kept)) + hash + std::string(ending);
}

bool CFileLock::Open()
{
    std::string problem;
    if (m_path.empty()) {
        problem = "no lock folder of this user's own (/run/user/UID or /tmp/sonvale-UID, private to the user) "
                  "for the lock " + m_name;
    } else if (!IsSafeFolder(FolderOf(m_path))) {
        problem = "the lock " + m_path + " is not used: its folder is missing, not this user's, or open to "
                  "changes by others";
    } else {
        m_fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, m_permissions);
        struct stat info {};
        if (m_fd < 0) {
            problem = "the lock " + m_path + " cannot be opened (" +
                      (errno == ELOOP ? std::string("it is a symbolic link") : std::string(std::strerror(errno))) + ")";
        } else if (::fstat(m_fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            ::close(m_fd);
            m_fd = -1;
            problem = "the lock " + m_path + " is not used: it is not a regular file";
        }
    }
    if (m_fd >= 0)
        return true;
    if (!m_bOpenReported)
        Report(problem);
    m_bOpenReported = true;
    return false;
}

CFileLock::Outcome CFileLock::Acquire(Mode mode, std::chrono::milliseconds wait)
{
    if (m_bHeld && m_mode == mode)
        return Outcome::Held;
    if (m_fd < 0 && !Open())
        return Outcome::Unavailable;
    // Converting a flock lock lets go of the old one first: until the new one is had, none is held.
    m_bHeld = false;
    const int operation = (mode == Mode::Shared ? LOCK_SH : LOCK_EX) | LOCK_NB;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        if (::flock(m_fd, operation) == 0) {
            m_bHeld = true;
            m_mode = mode;
            return Outcome::Held;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            Report("the lock " + m_path + " cannot be taken (" + std::strerror(errno) + ")");
            return Outcome::Unavailable;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            ::flock(m_fd, LOCK_UN);
            char waited[32];
            std::snprintf(waited, sizeof waited, "%.1f s", std::chrono::duration<double>(wait).count());
            Report("the lock " + m_path + " was still held by another program after " + waited);
            return Outcome::TimedOut;
        }
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(kPollInterval, deadline - now));
    }
}

void CFileLock::Release()
{
    if (m_bHeld && m_fd >= 0)
        ::flock(m_fd, LOCK_UN);
    m_bHeld = false;
}

std::string CFileLock::ReadNote() const
{
    if (!m_bHeld)
        return {};
    char note[kMaxNote];
    const ssize_t length = ::pread(m_fd, note, sizeof note, 0);
    return length > 0 ? std::string(note, static_cast<std::size_t>(length)) : std::string();
}

bool CFileLock::WriteNote(std::string_view note)
{
    if (!HeldExclusively() || note.size() > kMaxNote)
        return false;
    if (::ftruncate(m_fd, 0) != 0)
        return false;
    return note.empty() || ::pwrite(m_fd, note.data(), note.size(), 0) == static_cast<ssize_t>(note.size());
}

void CFileLock::Report(const std::string& what) const
{
    // One write, so that the line is not torn by another thread's or program's output.
    const std::string line = std::string(program_invocation_short_name) + ": " + what + '\n';
    (void)!::write(STDERR_FILENO, line.data(), line.size());
}
