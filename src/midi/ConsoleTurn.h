#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/FileLock.h"

// One program at a time talks with one console: every copy of the program and of sonvale-cli run by
// this user takes the console's turn before it sends and keeps it until the console's reply has been
// taken, so that no program reads a reply to another's message. The turn is an exclusive file lock
// named after the JACK server, the console's client and its pair, in the user's own lock folder.
// While held, the lock file carries a short note for the console's next holder.
//
// Programs of other users on the same server do not see this user's turns.
//
// Threads: used by one thread at a time (the thread running the exchange).
class CConsoleTurn {
public:
    CConsoleTurn() = default;
    CConsoleTurn(const CConsoleTurn&) = delete;
    CConsoleTurn& operator=(const CConsoleTurn&) = delete;

    // Names the console the turn stands for; a turn held at another console is let go first.
    void SetConsole(const std::string& server, const std::string& client, std::uint32_t pairId);
    // Lets go of the turn and of the console's name.
    void Forget();

    // Takes the turn, waiting up to timeoutMs while another program holds it. True when it is held
    // (also when it was held already); false when the wait ran out. Where no lock file can be had there
    // is nobody to take turns with: that is said once on standard error, and the exchange goes ahead.
    [[nodiscard]] bool Acquire(std::uint32_t timeoutMs);
    void Release();
    // The turn is this program's: the lock is held, or there is nowhere to take turns.
    [[nodiscard]] bool Held() const { return m_lock.Held() || m_bWithoutLock; }

    // The note the console's lock carries, as its previous holder left it; empty while not held.
    [[nodiscard]] std::string ReadNote() const { return m_lock.ReadNote(); }
    // Replaces the note (at most CFileLock::kMaxNote bytes); false while the lock is not held.
    bool WriteNote(std::string_view note) { return m_lock.WriteNote(note); }

    // The file that records the console's owed answers, beside its lock; empty when there is no lock
    // folder.
    [[nodiscard]] std::string LedgerPath() const;

    // The file name of a console's lock: "sonvale-console-SERVER+CLIENT+PAIR.lock", the names escaped
    // (CFileLock::Escaped). The folder's file system may need it fitted (CFileLock::FitName).
    [[nodiscard]] static std::string FileName(const std::string& server, const std::string& client,
                                              std::uint32_t pairId);

private:
    CFileLock m_lock;
    std::string m_fileName;
    bool m_bWithoutLock = false;
};
