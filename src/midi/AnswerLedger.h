#pragma once
#include <cstdint>
#include <deque>
#include <set>
#include <string>
#include <string_view>

#include "midi/LedgerFault.h"

// The answers a console still owes, as every program of this user has recorded them: a message is
// entered before the port takes it and stays owed until an answer of its kind is taken for it, or until
// the console is known to be new (another device on the network under the same client and pair),
// however long that takes. A killed writer's message therefore stays owed.
//
// What it assumes of the console: every message is answered at most once, by an answer of the kind
// it asks for; in which order the console answers is not assumed. So an answer taken while older
// answers of its kind are owed may be any of them, and only a count that settles all debts of the kind,
// or a read-back of the console's entry, can prove whose it is. An answer that nobody was owed (a
// duplicate, a stray) leaves the console "strayed": its next answers are unproven until a read-back
// agrees with what its writer expects.
//
// It also keeps the entries the console may hold: the one it was last proven to hold and every entry
// whose write was owed since. A read-back that names an entry proves a write of it only when that
// entry was not among them.
//
// The ledger lives in one file per console beside the console's turn lock and is read and written only
// while the turn is held. It is replaced whole (write, fsync, rename), so no crash leaves it empty or
// torn. Times are CLOCK_BOOTTIME, the same for every process of the machine.
//
// Threads: one thread at a time (the one holding the console's turn).
class CAnswerLedger {
public:
    static constexpr int kKinds = 3;            // answer kinds 1 and 2 are used; 0 is none
    static constexpr std::size_t kMaxOwed = 256; // more debts than this: the oldest go, and the console strays
    static constexpr std::size_t kMaxFileBytes = 64 * 1024;

    struct Debt {
        std::uint64_t number = 0; // the ledger's own count of messages
        int kind = 0;
        std::uint64_t enteredNs = 0; // CLOCK_BOOTTIME
        long pid = 0;                // the writer
        std::string entry;           // for a write: the entry it carries
    };

    // Forgets everything: a ledger with nothing owed for no device, usable.
    void Reset();
    // Reads the ledger of the console at `path`, now the network's device `device`. A missing file, or
    // one of another device, is a console with nothing owed. A file that cannot be read or makes no
    // sense: nothing is known of the debts, so the console strays and may hold any entry; `problem` says
    // why. False when the file exists but cannot be read or parsed.
    [[nodiscard]] bool Load(const std::string& path, std::uint64_t device, LedgerFault& problem);
    // Writes it back; false with the reason when it cannot be written (the old file stays).
    [[nodiscard]] bool Save(LedgerFault& problem) const;
    [[nodiscard]] const std::string& Path() const { return m_path; }

    // Enters a message that asks for an answer of `kind`; the debt's number.
    std::uint64_t Owe(int kind, std::string_view entry, long pid);
    // The message never left: it owes nothing.
    void Cancel(std::uint64_t number);
    // An answer of `kind` was taken: the oldest debt of that kind is paid (the entry of a paid write may
    // now be held). False when none was owed (the console strays).
    bool Pay(int kind);
    // Whether the debt `number` is still owed.
    [[nodiscard]] bool Owes(std::uint64_t number) const;

    [[nodiscard]] std::size_t Owed(int kind) const;
    [[nodiscard]] bool Strayed() const { return m_bStrayed; }
    // A read-back agreed with what its writer expected: later answers count again.
    void Agreed() { m_bStrayed = false; }
    void Stray() { m_bStrayed = true; }

    // Whether the console may hold `entry` by anybody's doing but the write owed as `exceptDebt`.
    [[nodiscard]] bool MayHold(std::string_view entry, std::uint64_t exceptDebt) const;
    // The console was proven to hold `entry` just now; writes still owed may yet change that.
    void ProvenHolding(std::string_view entry);
    // Nothing is known of what the console holds.
    void HoldingUnknown() { m_bAnyEntry = true; }

    [[nodiscard]] const std::deque<Debt>& Debts() const { return m_debts; }

    // The text of the file, and back (false when it makes no sense).
    [[nodiscard]] std::string Text() const;
    [[nodiscard]] bool Parse(std::string_view text);

    // CLOCK_BOOTTIME now, in nanoseconds.
    [[nodiscard]] static std::uint64_t BootNanoseconds();

private:
    std::string m_path;
    std::uint64_t m_device = 0;
    std::uint64_t m_nextNumber = 1;
    bool m_bStrayed = false;
    bool m_bAnyEntry = true; // nothing proven yet
    std::set<std::string> m_mayHold; // besides the entries of writes still owed
    std::deque<Debt> m_debts; // oldest first
};
