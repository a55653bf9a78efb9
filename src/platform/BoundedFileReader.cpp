#include "platform/BoundedFileReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

class CDescriptor {
public:
    explicit CDescriptor(int fd) : m_fd(fd) {}
    ~CDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    CDescriptor(const CDescriptor&) = delete;
    CDescriptor& operator=(const CDescriptor&) = delete;
    [[nodiscard]] int Get() const { return m_fd; }

private:
    int m_fd;
};

std::string SizeText(std::size_t bytes)
{
    return bytes % 1024 == 0 ? std::to_string(bytes / 1024) + " KiB" : std::to_string(bytes) + " bytes";
}

} // namespace

CBoundedFileReader::Outcome CBoundedFileReader::Read(const std::string& path, std::size_t limit, std::string& text,
                                                     std::string& reason)
{
    text.clear();
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer, for ever.
    const CDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.Get() < 0) {
        reason = std::strerror(errno);
        return errno == ENOENT || errno == ENOTDIR ? Outcome::Missing : Outcome::Refused;
    }
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0) {
        reason = std::strerror(errno);
        return Outcome::Refused;
    }
    if (!S_ISREG(info.st_mode)) {
        reason = "it is not a regular file";
        return Outcome::Refused;
    }
    const std::string tooLarge = "it is larger than " + SizeText(limit);
    if (static_cast<std::size_t>(info.st_size) > limit) {
        reason = tooLarge;
        return Outcome::Refused;
    }
    // One byte more than the file held is asked for, so that a file that grew since fstat is noticed.
    text.resize(static_cast<std::size_t>(info.st_size) + 1);
    std::size_t done = 0;
    for (;;) {
        if (done == text.size())
            text.resize(std::min(limit + 1, 2 * text.size()));
        const ssize_t n = ::read(fd.Get(), text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            reason = std::strerror(errno);
            text.clear();
            return Outcome::Refused;
        }
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
        if (done > limit) {
            reason = tooLarge;
            text.clear();
            return Outcome::Refused;
        }
    }
    text.resize(done);
    return Outcome::Read;
}
