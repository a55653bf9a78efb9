#include "midi/ConsoleExchange.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "midi/MIDIEvent.h"

namespace {

using SystemClock = std::chrono::system_clock;

// The note's one line: the mark's time in nanoseconds of the system clock.
constexpr char kMarkPrefix[] = "late-reply-until ";

} // namespace

void CConsoleExchange::Begin(std::uint32_t number, SystemClock::time_point lateUntil)
{
    std::lock_guard lock(m_mutex);
    // A second message of one exchange (a read-back) does not wipe out the reply the first still owes.
    m_bOwed = m_bOwed || (m_phase == Phase::Left && !m_bReplyTaken) || m_bOutcomeMissed;
    m_phase = Phase::Awaiting;
    m_number = number;
    m_departure = 0;
    m_bOutcomeMissed = false;
    m_bReplyTaken = false;
    m_bArrivalUnproven = false;
    m_lateUntil = lateUntil;
}

void CConsoleExchange::NotTaken()
{
    std::lock_guard lock(m_mutex);
    if (m_phase == Phase::Awaiting)
        m_phase = Phase::Failed;
}

void CConsoleExchange::StopAwaiting()
{
    std::lock_guard lock(m_mutex);
    if (m_phase != Phase::Awaiting)
        return;
    // It may still go out, or have gone out with its outcome on the way: its reply may come later.
    m_phase = Phase::Failed;
    m_bOutcomeMissed = true;
}

CConsoleExchange::Event CConsoleExchange::OnOutcome(std::uint32_t number, bool bSent, std::uint64_t cycle)
{
    std::lock_guard lock(m_mutex);
    if (m_phase != Phase::Awaiting || number != m_number)
        return MIDI_EVENT_NONE;
    if (bSent) {
        m_phase = Phase::Left;
        m_departure = cycle;
        return MIDI_EVENT_SENT;
    }
    m_phase = Phase::Failed;
    return MIDI_EVENT_SEND_FAILED;
}

CConsoleExchange::Event CConsoleExchange::OnUnstampedOutcome(bool bSent)
{
    std::lock_guard lock(m_mutex);
    if (m_phase != Phase::Awaiting)
        return MIDI_EVENT_NONE;
    m_phase = bSent ? Phase::Left : Phase::Failed;
    return bSent ? MIDI_EVENT_SENT : MIDI_EVENT_SEND_FAILED;
}

bool CConsoleExchange::OnArrival(std::uint64_t cycle)
{
    std::lock_guard lock(m_mutex);
    bool bCounts = false;
    switch (m_phase) {
    case Phase::Idle:
        bCounts = true;
        break;
    case Phase::Left:
        bCounts = cycle == 0 || cycle > m_departure;
        break;
    case Phase::Awaiting:
    case Phase::Failed:
        break;
    }
    if (bCounts)
        m_bArrivalUnproven = SystemClock::now() < m_lateUntil;
    return bCounts;
}

void CConsoleExchange::ReplyTaken()
{
    std::lock_guard lock(m_mutex);
    m_bReplyTaken = true;
}

bool CConsoleExchange::Unproven() const
{
    std::lock_guard lock(m_mutex);
    return m_bArrivalUnproven;
}

SystemClock::time_point CConsoleExchange::End()
{
    std::lock_guard lock(m_mutex);
    const SystemClock::time_point now = SystemClock::now();
    SystemClock::time_point until = m_lateUntil > now ? m_lateUntil : SystemClock::time_point{};
    if (m_bOwed || (m_phase == Phase::Left && !m_bReplyTaken) || m_bOutcomeMissed)
        until = std::max(until, now + std::chrono::duration_cast<SystemClock::duration>(kLateGrace));
    m_bOwed = false;
    m_phase = Phase::Idle;
    m_number = 0;
    m_departure = 0;
    m_bOutcomeMissed = false;
    m_bReplyTaken = false;
    m_bArrivalUnproven = false;
    m_lateUntil = {};
    return until;
}

std::string CConsoleExchange::MarkNote(SystemClock::time_point until, std::uint64_t device)
{
    if (until == SystemClock::time_point{})
        return {};
    const long long ns = std::chrono::duration_cast<std::chrono::nanoseconds>(until.time_since_epoch()).count();
    return kMarkPrefix + std::to_string(ns) + " " + std::to_string(device) + "\n";
}

SystemClock::time_point CConsoleExchange::ReadMark(const std::string& note, std::uint64_t device)
{
    if (note.rfind(kMarkPrefix, 0) != 0)
        return {};
    const char* digits = note.c_str() + sizeof kMarkPrefix - 1;
    char* end = nullptr;
    errno = 0;
    const long long ns = std::strtoll(digits, &end, 10);
    if (end == digits || *end != ' ' || ns <= 0 || errno == ERANGE)
        return {};
    const char* deviceDigits = end + 1;
    const unsigned long long markedDevice = std::strtoull(deviceDigits, &end, 10);
    if (end == deviceDigits || markedDevice != device)
        return {};
    const SystemClock::time_point until{std::chrono::duration_cast<SystemClock::duration>(std::chrono::nanoseconds(ns))};
    const SystemClock::time_point now = SystemClock::now();
    if (until <= now || until > now + std::chrono::duration_cast<SystemClock::duration>(kLateGrace))
        return {};
    return until;
}
