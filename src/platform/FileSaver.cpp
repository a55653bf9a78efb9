#include "platform/FileSaver.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

// The file a symbolic link names; the path itself for anything else, or when it is not there yet.
std::string Target(const std::string& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        return path;
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

std::string FolderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A new temporary name in the file's folder, created here and by no one else (O_EXCL); created with
// 0666 so that the umask applies as for any new file.
int CreateTemporary(const std::string& path, std::string& temp)
{
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1));
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // A write that takes nothing sets no error of its own; the disk is full as far as we can tell.
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool SyncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    // Some file systems cannot sync a folder at all (EINVAL); their renames are as safe as they get.
    const bool synced = ::fsync(fd) == 0 || errno == EINVAL;
    const int error = errno;
    ::close(fd);
    errno = error;
    return synced;
}

// Held through every Save, so that a forced end comes between two of them.
std::mutex g_saving;

} // namespace

void CFileSaver::EndProcessBetweenSaves(int status)
{
    g_saving.lock();
    ::_exit(status);
}

bool CFileSaver::Save(const std::string& path, std::string_view bytes, std::string& reason)
{
    const std::lock_guard saving(g_saving);
    const std::string target = Target(path);
    std::string temp;
    const int fd = CreateTemporary(target, temp);
    if (fd < 0) {
        reason = std::strerror(errno);
        return false;
    }
    struct stat old {};
    bool ok = ::stat(target.c_str(), &old) != 0 || ::fchmod(fd, old.st_mode & 07777) == 0;
    ok = ok && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    int error = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        reason = std::strerror(error);
        return false;
    }
    if (!SyncFolder(FolderOf(target))) {
        reason = std::strerror(errno);
        return false;
    }
    return true;
}
