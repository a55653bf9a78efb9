// The exchange half of CWin32VornMIDIController: sending to the chosen console, the console's owed
// answers, the queue of its messages handed over from the driver's threads, and the events the
// observers report.
#include "midi/Win32VornMIDIController.h"

#include "platform/FileLock.h"

#include <errno.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <new>
#include <utility>

#include "midi/MIDIDevice.h"

ResultCode CWin32VornMIDIController::Send(const std::uint8_t* pData, std::uint16_t nLength, std::uint16_t nTimeout)
{
    using Clock = std::chrono::steady_clock;
    m_fault = Fault::NotSent;
    const int nKind = std::exchange(m_nExpectedKind, 0);
    std::string entry = std::move(m_expectedEntry);
    m_expectedEntry.clear();
    if (m_ports.empty())
        return RC_SEND_FAILED;
    // The waits for the console's turn, for the graph and for the message's outcome share the one
    // time-out, so that the whole exchange stays within what its caller waits for it.
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(nTimeout);
    const auto left = [&] {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        return static_cast<std::uint16_t>(std::clamp<long long>(ms, 0, nTimeout));
    };
    // Another program's exchange with the console runs until its reply came; what the console
    // says meanwhile is not for us.
    if (!m_turn.Acquire(nTimeout)) {
        m_fault = Fault::ConsoleBusy;
        return RC_SEND_FAILED;
    }
    (void)m_graphLock.Acquire(CFileLock::Mode::Shared, left());
    if (!m_bInTurn) {
        LoadLedger();
        m_bInTurn = true;
    }
    {
        // What came before the turn answered other programs' messages; from now on only what arrives
        // after the turn's first message left counts.
        std::lock_guard lock(m_arrivalMutex);
        if (m_exchange.Begin(m_nPortMessages + 1))
            m_received.Clear();
        m_nReceiveResult.store(m_received.Empty() ? MIDI_EVENT_NONE : MIDI_EVENT_RECEIVED, std::memory_order_release);
    }
    m_nLastEvent.store(MIDI_EVENT_NONE, std::memory_order_release);
    m_nSendResult.store(MIDI_EVENT_NONE, std::memory_order_release);
    // Owed before the port can take it: whatever happens to this program from here, the debt is known.
    std::uint64_t nDebt = 0;
    if (nKind > 0) {
        nDebt = m_ledger.Owe(nKind, entry, static_cast<long>(getpid()));
        SaveLedger();
    }
    const std::uint16_t nSendTimeout = left();
    // One console is chosen, so one port takes the message; its number is the port's count of them.
    bool bTaken = nSendTimeout > 0;
    for (IVornAsyncPort* pPort : m_ports)
        bTaken = bTaken && pPort->Send(VORN_SEND_SYSEX, nLength, pData, nSendTimeout) == S_OK;
    if (bTaken) {
        ++m_nPortMessages;
        WaitForEvent(m_nSendResult, left(), {MIDI_EVENT_SENT, MIDI_EVENT_SEND_FAILED}, m_counter);
        m_exchange.StopAwaiting();
    } else {
        m_exchange.NotTaken();
    }
    if (!bTaken || m_nSendResult.load(std::memory_order_acquire) != MIDI_EVENT_SENT) {
        // A message that surely never left owes nothing; one that may have left stays owed.
        if (nDebt != 0 && !m_exchange.MayHaveLeft()) {
            m_ledger.Cancel(nDebt);
            SaveLedger();
        }
        EndExchange();
        return RC_SEND_FAILED;
    }
    m_fault = Fault::None;
    return RC_EXCHANGE_OK;
}

bool CWin32VornMIDIController::TakeTurn(std::uint16_t timeoutMs)
{
    // Without a port Send fails at once, turn or not.
    if (m_ports.empty())
        return true;
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    if (!m_turn.Acquire(timeoutMs)) {
        m_fault = Fault::ConsoleBusy;
        return false;
    }
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    (void)m_graphLock.Acquire(CFileLock::Mode::Shared, static_cast<std::uint32_t>(std::max<long long>(0, timeoutMs - waited)));
    if (!m_bInTurn) {
        LoadLedger();
        m_bInTurn = true;
    }
    return true;
}

void CWin32VornMIDIController::LoadLedger()
{
    const std::string path = m_turn.LedgerPath();
    if (path.empty()) {
        m_ledger.Reset();
        m_ledger.Stray();
        m_bLedgerUsable = false;
        m_ledgerProblem = {LedgerFault::Kind::NoFolder, CFileLock::FolderCandidates(), {}};
    } else {
        m_bLedgerUsable = m_ledger.Load(path, m_nConsoleDevice, m_ledgerProblem);
    }
    SayLedgerProblem();
}

void CWin32VornMIDIController::SaveLedger()
{
    if (!m_bLedgerUsable)
        return;
    if (!m_ledger.Save(m_ledgerProblem)) {
        m_bLedgerUsable = false;
        SayLedgerProblem();
    }
}

void CWin32VornMIDIController::SayLedgerProblem()
{
    if (m_bLedgerUsable || m_bLedgerProblemSaid)
        return;
    m_bLedgerProblemSaid = true;
    // One write, so that the line is not torn by another thread's or program's output.
    const std::string line = std::string(program_invocation_short_name) + ": " + m_ledgerProblem.Text() +
                             "; until it can be used, no answer of the console can be checked against "
                             "earlier messages, so an outcome that a read-back of the console's entry does "
                             "not prove is reported as uncertain\n";
    (void)!::write(STDERR_FILENO, line.data(), line.size());
}

void CWin32VornMIDIController::ExpectAnswer(int kind, const std::string& entry)
{
    m_nExpectedKind = kind;
    try {
        m_expectedEntry = entry;
    } catch (const std::bad_alloc&) {
        m_expectedEntry.clear();
    }
}

CAnswerLedger* CWin32VornMIDIController::Ledger()
{
    return m_bInTurn ? &m_ledger : nullptr;
}

void CWin32VornMIDIController::ForgetReceived()
{
    std::lock_guard lock(m_arrivalMutex);
    m_received.Clear();
}

void CWin32VornMIDIController::EndExchange()
{
    m_exchange.End();
    if (m_bInTurn) {
        SaveLedger();
        m_bInTurn = false;
    }
    m_turn.Release();
    m_graphLock.Release();
}

ResultCode CWin32VornMIDIController::Receive(std::uint8_t* pBuffer, std::uint16_t* pnLength, std::uint16_t nTimeout)
{
    WaitForEvent(m_nReceiveResult, nTimeout, {MIDI_EVENT_RECEIVED, MIDI_EVENT_RECEIVE_ERROR}, m_counter);
    CReceivedQueue::Message message;
    if (!m_received.Front(message))
        return RC_RECEIVE_FAILED;
    const std::uint16_t nCapacity = *pnLength;
    const auto nLength = static_cast<std::uint16_t>(std::min<std::size_t>(message.bytes.size(), 0xFFFF));
    std::copy_n(message.bytes.begin(), std::min(nLength, nCapacity), pBuffer);
    if (nLength > nCapacity)
        return RC_BUFFER_TOO_SMALL;
    *pnLength = nLength;
    m_lastArrival = message.arrived;
    return RC_EXCHANGE_OK;
}

void CWin32VornMIDIController::DropReceived()
{
    (void)m_received.Pop();
    if (m_received.Empty()) {
        std::int32_t nReceived = MIDI_EVENT_RECEIVED;
        (void)m_nReceiveResult.compare_exchange_strong(nReceived, MIDI_EVENT_NONE, std::memory_order_acq_rel);
        // A message that arrived meanwhile wakes the next Receive all the same.
        if (!m_received.Empty())
            m_nReceiveResult.store(MIDI_EVENT_RECEIVED, std::memory_order_release);
    }
}

ResultCode CWin32VornMIDIController::OnEvent(std::int32_t nEvent, std::uint16_t nLength, const std::uint8_t* pData)
{
    return Record(nEvent, nullptr, nLength, pData);
}

ResultCode CWin32VornMIDIController::OnStampedEvent(std::int32_t nEvent, const Stamp& stamp, std::uint16_t nLength,
                                                    const std::uint8_t* pData)
{
    return Record(nEvent, &stamp, nLength, pData);
}

ResultCode CWin32VornMIDIController::Record(std::int32_t nEvent, const Stamp* pStamp, std::uint16_t nLength,
                                            const std::uint8_t* pData)
{
    if (nEvent == MIDI_EVENT_RECEIVED) {
        const std::uint64_t nCycle = pStamp ? pStamp->cycle : 0;
        // Decided and queued together, so that a Send beginning now either finds this message queued
        // (and clears it) or already awaits its own message, for which this one does not count.
        bool bCounts = false;
        {
            std::lock_guard lock(m_arrivalMutex);
            bCounts = m_exchange.OnArrival(nCycle);
            if (bCounts) {
                (void)m_received.Push(pData, pData ? nLength : 0, nCycle);
                m_nReceiveResult.store(MIDI_EVENT_RECEIVED, std::memory_order_release);
            }
        }
        if (bCounts && m_receivedHook)
            m_receivedHook();
    }
    m_nLastEvent.store(nEvent, std::memory_order_release);
    if (nEvent == MIDI_EVENT_SENT || nEvent == MIDI_EVENT_SEND_FAILED) {
        const bool bSent = nEvent == MIDI_EVENT_SENT;
        const CConsoleExchange::Event nOutcome =
            pStamp ? m_exchange.OnOutcome(pStamp->message, bSent, pStamp->cycle) : m_exchange.OnUnstampedOutcome(bSent);
        if (nOutcome != MIDI_EVENT_NONE)
            m_nSendResult.store(nOutcome, std::memory_order_release);
    } else if (nEvent == MIDI_EVENT_RECEIVE_ERROR) {
        m_nReceiveResult.store(nEvent, std::memory_order_release);
    }
    if (nEvent == MIDI_EVENT_CONFIG_CHANGED && m_pDevice && m_pDevice->m_pListener)
        m_pDevice->m_pListener->OnDeviceEvent(MIDI_EVENT_CONFIG_CHANGED);
    return RC_EXCHANGE_OK;
}

bool CWin32VornMIDIController::AnswersDropped() const { return m_received.Dropped(); }
