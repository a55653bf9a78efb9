#include "midi/ConsoleExchange.h"

#include "midi/MIDIEvent.h"

bool CConsoleExchange::Begin(std::uint32_t number)
{
    std::lock_guard lock(m_mutex);
    const bool bFirst = m_phase == Phase::Idle;
    m_phase = Phase::Awaiting;
    m_number = number;
    m_departure = 0;
    m_bOutcomeMissed = false;
    return bFirst;
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
        if (m_turnDeparture == 0)
            m_turnDeparture = cycle;
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
        bCounts = cycle == 0 || cycle > (m_turnDeparture != 0 ? m_turnDeparture : m_departure);
        break;
    case Phase::Awaiting:
    case Phase::Failed:
        // A later message of the turn: what answers the turn's earlier messages still counts.
        bCounts = cycle != 0 && m_turnDeparture != 0 && cycle > m_turnDeparture;
        break;
    }
    return bCounts;
}

bool CConsoleExchange::MayHaveLeft() const
{
    std::lock_guard lock(m_mutex);
    return m_phase == Phase::Left || m_bOutcomeMissed;
}

void CConsoleExchange::End()
{
    std::lock_guard lock(m_mutex);
    m_phase = Phase::Idle;
    m_number = 0;
    m_departure = 0;
    m_turnDeparture = 0;
    m_bOutcomeMissed = false;
}
