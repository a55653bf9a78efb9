#pragma once
#include <sys/types.h>

#include <chrono>
#include <string>
#include <string_view>

// An advisory lock (flock) on one file, the one kind of lock every program of this user takes: the
// console's turn, the graph lock, the driver's rules file and the JACK test servers' turn. The system
// lets go of it when its holder ends, whichever way that happens; the file itself stays, since a
// program that removed it could leave another locking a file that no longer has the name.
//
// Nobody waits for ever: every wait has a deadline and looks again every few milliseconds. When the
// lock cannot be had (the file cannot be opened, there is no folder for it, or the wait ran out) one
// line on standard error says so; the caller decides whether to go ahead without it. A file that
// cannot be opened is reported once per file and lock object, a wait that ran out every time.
//
// Files are opened without following a link at their own name and are never inherited by child
// programs. A lock file's folder must be this user's or root's and closed to others' writing unless it
// is sticky (as /tmp is); the user's own lock folder (Folder) must be private to this user.
//
// While held, the file can carry a short note (a few hundred bytes) for the next holder.
//
// Threads: one thread at a time uses an object. flock locks belong to the open file, so two objects in
// one process on the same file exclude each other as two programs do.
class CFileLock {
public:
    enum class Mode { Shared, Exclusive };
    enum class Outcome {
        Held,        // the lock is this object's in the mode asked for
        TimedOut,    // another holder kept it until the deadline
        Unavailable, // the file or its folder cannot be used: nobody can meet through it
    };
    // The longest note a lock file carries.
    static constexpr std::size_t kMaxNote = 512;

    CFileLock() = default;
    // A lock on the file at an absolute path, created with these permissions (less the umask) when missing.
    explicit CFileLock(std::string path, mode_t permissions = 0600);
    CFileLock(const CFileLock&) = delete;
    CFileLock& operator=(const CFileLock&) = delete;
    ~CFileLock() { SetPath({}); }

    // Names another file; a lock held on the previous one is let go first. An empty path names none.
    void SetPath(std::string path, mode_t permissions = 0600);
    // Names the file `fileName` in the user's own lock folder (Folder), fitted to its file system
    // (FitName), private to this user.
    void SetNameInFolder(std::string_view fileName);
    // Empty when no file is named, or when the lock folder cannot be had.
    [[nodiscard]] const std::string& Path() const { return m_path; }

    // Takes the lock in this mode, waiting up to `wait` while another holder excludes it (a wait of 0
    // tries once). Held also when it was held already; a lock held in the other mode is converted.
    // Shared: others may hold it shared at the same time, but nobody exclusively.
    [[nodiscard]] Outcome Acquire(Mode mode, std::chrono::milliseconds wait);
    void Release();
    [[nodiscard]] bool Held() const { return m_bHeld; }
    [[nodiscard]] bool HeldExclusively() const { return m_bHeld && m_mode == Mode::Exclusive; }

    // The note the lock file carries (at most kMaxNote bytes); empty when none or while not held.
    [[nodiscard]] std::string ReadNote() const;
    // Replaces the note; only while held exclusively, and only with at most kMaxNote bytes.
    bool WriteNote(std::string_view note);

    // The user's own lock folder, the same for every program of this user whatever its environment:
    // /run/user/UID when it is this user's and private, otherwise /tmp/sonvale-UID, made private to
    // this user. Empty when neither can be had.
    [[nodiscard]] static std::string Folder();
    // The folders Folder looks for, in its order, for a person: "/run/user/UID or /tmp/sonvale-UID".
    [[nodiscard]] static std::string FolderCandidates();
    // A part of a lock's name with every byte other than a letter, digit, '-', '_' or '.' written as
    // %XX, so that any server or client name gives one flat name of its own.
    [[nodiscard]] static std::string Escaped(std::string_view part);
    // The name unchanged when it has at most `limit` bytes; otherwise its beginning, '~' and a hash of
    // the whole name, keeping a ".lock" ending, in `limit` bytes: two long names that differ anywhere
    // are two locks, and no fitted name equals a name that needed no fitting.
    [[nodiscard]] static std::string FitName(std::string_view name, std::size_t limit);

private:
    [[nodiscard]] bool Open();
    void Report(const std::string& what) const;

    std::string m_path;
    std::string m_name; // what the lock is called in what it reports
    mode_t m_permissions = 0600;
    int m_fd = -1;
    bool m_bHeld = false;
    Mode m_mode = Mode::Exclusive;
    bool m_bOpenReported = false;
};
