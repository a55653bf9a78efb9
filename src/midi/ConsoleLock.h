#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// The advisory lock that lets one program at a time hold an exchange with one console: every copy of
// the program and of sonvale-cli run by this user takes it before it sends and keeps it until the
// console's reply has been taken, so that no program reads a reply to another's message. It is a
// file lock (flock) on a file named after the JACK server, the console's client and its pair, in the
// user's runtime folder; the system drops it when its holder ends, whichever way that happens.
//
// The same kind of lock, named after the server alone (SetGraph), keeps the ports of the programs
// from coming or going while an exchange runs: JACK drops every message of a cycle that reaches a
// console's input from several ports while one of them is being taken away. Exchanges hold it shared,
// opening and closing hold it alone.
//
// Programs of other users on the same server do not see this user's locks.
//
// Threads: used by one thread at a time (the thread running the exchange).
class CConsoleLock {
public:
    CConsoleLock() = default;
    CConsoleLock(const CConsoleLock&) = delete;
    CConsoleLock& operator=(const CConsoleLock&) = delete;
    ~CConsoleLock() { Forget(); }

    // Names the console the lock stands for; a lock held for another console is let go first.
    void SetConsole(const std::string& server, const std::string& client, std::uint32_t pairId);
    // Names the server whose graph the lock stands for.
    void SetGraph(const std::string& server);
    // Lets go of the lock and of the console's name.
    void Forget();

    // Takes the lock, waiting up to timeoutMs while another program holds it. True when it is held
    // (also when it was held already); false when the wait ran out. Without a usable runtime folder
    // there is nothing to share the lock through and it counts as taken.
    // Shared: others may hold it shared at the same time, but nobody alone.
    [[nodiscard]] bool Acquire(std::uint32_t timeoutMs, bool bShared = false);
    void Release();
    [[nodiscard]] bool Held() const { return m_bHeld; }
    // The lock file's few bytes of content, and replacing them (while held).
    [[nodiscard]] std::string ReadNote() const;
    bool WriteNote(std::string_view note);

    // The folder the lock files live in, the same for every program of this user whatever its
    // environment: the user's runtime folder /run/user/UID when it is this user's, otherwise
    // /tmp/sonvale-UID, made private to this user. Empty when neither can be had.
    [[nodiscard]] static std::string Folder();
    // The file name of a console's lock: every byte other than a letter, digit, '-', '_' or '.' is
    // written as %XX, so that any client name gives one flat name of its own.
    [[nodiscard]] static std::string FileName(const std::string& server, const std::string& client,
                                              std::uint32_t pairId);
    // The server name the driver joins: $JACK_DEFAULT_SERVER, or "default".
    [[nodiscard]] static std::string ServerName();

private:
    void SetFileName(std::string fileName);

    std::string m_fileName;
    int m_fd = -1;
    bool m_bHeld = false;
    bool m_bShared = false;
};
