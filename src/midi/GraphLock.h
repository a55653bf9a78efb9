#pragma once
#include <cstdint>
#include <string>

#include "platform/FileLock.h"

// Keeps the ports of this user's programs from coming or going while an exchange runs: JACK drops
// every message of a cycle that reaches a console's input while ports are being added or taken away.
// Exchanges hold it shared; whatever changes the graph (opening or closing the driver, its devices and
// ports, or a JACK client of sonvale-cli's) holds it exclusively. It is a file lock named after the
// JACK server, in the user's own lock folder.
//
// A wait that runs out, or a lock that cannot be had, is said on standard error; the caller goes
// ahead, since a change or an exchange that waits for ever helps nobody.
//
// Threads: used by one thread at a time.
class CGraphLock {
public:
    // How long a graph change waits for the exchanges of other programs to end.
    static constexpr std::uint32_t kChangeWaitMs = 3000;

    CGraphLock() = default;
    CGraphLock(const CGraphLock&) = delete;
    CGraphLock& operator=(const CGraphLock&) = delete;

    // Names the server; a lock held for another server is let go first.
    void SetServer(const std::string& server);
    // Takes the lock in this mode, waiting up to timeoutMs. True when it is held, or when there is no
    // lock file to meet through; false when the wait ran out.
    [[nodiscard]] bool Acquire(CFileLock::Mode mode, std::uint32_t timeoutMs);
    // Names the server the driver joins (ServerName) and takes the lock exclusively for a change of its
    // graph, waiting up to kChangeWaitMs. A wait that runs out is said, and the change goes ahead.
    void TakeForChange();
    void Release() { m_lock.Release(); }
    [[nodiscard]] bool Held() const { return m_lock.Held(); }

    // The server name the driver joins: $JACK_DEFAULT_SERVER, or "default".
    [[nodiscard]] static std::string ServerName();

private:
    CFileLock m_lock;
    std::string m_server;
    bool m_bNamed = false;
};
